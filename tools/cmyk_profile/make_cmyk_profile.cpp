// Generator of the built-in CMYK printer profile (imaging/core/data/cmyk_profile_data.cpp); run
// make_cmyk_profile.sh beside it. It is a build tool, not part of the library.

// The profile is an ICC v2.1 output-device (printer) profile, CMYK data, Lab connection
// space, with one 9-point CMYK -> Lab table (A2B0) and one 21-point Lab -> CMYK table (B2A0),
// sampled from this ink model:
//   - Ink amounts c, m, y, k run from 0 (none) to 1 (full).
//   - Dot gain: an ink covers e(v) = 1 - (1 - v)^1.5 of the paper (about 15 % gain at 50 %).
//   - Each ink at full coverage passes a fraction of the light of each linear sRGB channel:
//       cyan (0.04, 0.62, 0.95), magenta (0.85, 0.06, 0.50), yellow (0.97, 0.90, 0.04),
//       black (0.02, 0.02, 0.02); the paper reflects everything (1, 1, 1).
//   - A channel's reflectance is the product over the inks of (1 - e * (1 - pass)).
//   - Linear sRGB (D65) goes to D50 Lab through Little CMS, relative colorimetric.
// The inverse table separates a colour with a black generation that starts at 25 % darkness
// (k = ((d - 0.25) / 0.75)^1.3, d = 1 - the lightest gamma-2.2 channel) and solves cyan,
// magenta and yellow for the rest as the printable colour nearest to the target in Lab
// (damped Gauss-Newton steps on the model, kept inside the ink range).
// The header date is fixed, so the same model always gives the same bytes.

#include <lcms2.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Rgb = std::array<double, 3>;

constexpr int forward_grid_points = 9;
constexpr int inverse_grid_points = 21;

constexpr double ink_pass[4][3] = {
    {0.04, 0.62, 0.95},  // cyan
    {0.85, 0.06, 0.50},  // magenta
    {0.97, 0.90, 0.04},  // yellow
    {0.02, 0.02, 0.02},  // black
};

double Coverage(double v) { return 1.0 - std::pow(1.0 - std::clamp(v, 0.0, 1.0), 1.5); }

Rgb Reflectance(const double ink[4]) {
  Rgb rgb{1.0, 1.0, 1.0};
  for (int i = 0; i < 4; ++i) {
    const double e = Coverage(ink[i]);
    for (int ch = 0; ch < 3; ++ch) rgb[ch] *= 1.0 - e * (1.0 - ink_pass[i][ch]);
  }
  return rgb;
}

cmsHTRANSFORM linear_to_lab = nullptr;
cmsHTRANSFORM lab_to_linear = nullptr;

int SampleForward(const cmsUInt16Number In[], cmsUInt16Number Out[], void*) {
  const double ink[4] = {In[0] / 65535.0, In[1] / 65535.0, In[2] / 65535.0, In[3] / 65535.0};
  const Rgb rgb = Reflectance(ink);
  cmsCIELab lab;
  cmsDoTransform(linear_to_lab, rgb.data(), &lab, 1);
  // 16-bit tables of Lab profiles carry the v2 Lab encoding.
  cmsFloat2LabEncodedV2(Out, &lab);
  return TRUE;
}

cmsCIELab LabOf(const double ink[4]) {
  const Rgb rgb = Reflectance(ink);
  cmsCIELab lab;
  cmsDoTransform(linear_to_lab, rgb.data(), &lab, 1);
  return lab;
}

double DistanceSquared(const cmsCIELab& a, const cmsCIELab& b) {
  const double dl = a.L - b.L, da = a.a - b.a, db = a.b - b.b;
  return dl * dl + da * da + db * db;
}

// Cyan, magenta and yellow (black fixed) whose colour lies closest to the target in Lab, by
// damped Gauss-Newton steps kept inside the ink range. Colours the inks cannot print land
// on the nearest printable one, so the table stays smooth up to and past its gamut edge.
void SolveCMY(const cmsCIELab& target, double ink[4]) {
  double damping = 1e-3;
  cmsCIELab now = LabOf(ink);
  double error = DistanceSquared(now, target);
  for (int iteration = 0; iteration < 100 && error > 1e-8; ++iteration) {
    double jacobian[3][3];  // d(L, a, b) / d(c, m, y)
    for (int i = 0; i < 3; ++i) {
      double probe[4] = {ink[0], ink[1], ink[2], ink[3]};
      const double h = probe[i] > 0.5 ? -1e-4 : 1e-4;
      probe[i] += h;
      const cmsCIELab moved = LabOf(probe);
      jacobian[0][i] = (moved.L - now.L) / h;
      jacobian[1][i] = (moved.a - now.a) / h;
      jacobian[2][i] = (moved.b - now.b) / h;
    }
    const double residual[3] = {target.L - now.L, target.a - now.a, target.b - now.b};
    // Normal equations (J^T J + damping * diag) step = J^T residual, solved by Cramer's rule.
    double normal[3][3], right[3];
    for (int i = 0; i < 3; ++i) {
      right[i] = 0;
      for (int r = 0; r < 3; ++r) right[i] += jacobian[r][i] * residual[r];
      for (int j = 0; j < 3; ++j) {
        normal[i][j] = 0;
        for (int r = 0; r < 3; ++r) normal[i][j] += jacobian[r][i] * jacobian[r][j];
      }
    }
    bool improved = false;
    for (int attempt = 0; attempt < 12 && !improved; ++attempt) {
      double damped[3][3];
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
          damped[i][j] = normal[i][j] + (i == j ? damping * (1 + normal[i][i]) : 0);
      const auto det3 = [](const double a[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
               a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
      };
      const double det = det3(damped);
      if (std::fabs(det) < 1e-300) break;
      double trial[4] = {ink[0], ink[1], ink[2], ink[3]};
      for (int i = 0; i < 3; ++i) {
        double replaced[3][3];
        for (int r = 0; r < 3; ++r)
          for (int c = 0; c < 3; ++c) replaced[r][c] = c == i ? right[r] : damped[r][c];
        trial[i] = std::clamp(ink[i] + det3(replaced) / det, 0.0, 1.0);
      }
      const cmsCIELab trial_lab = LabOf(trial);
      const double trial_error = DistanceSquared(trial_lab, target);
      if (trial_error < error) {
        std::copy(trial, trial + 3, ink);
        now = trial_lab;
        error = trial_error;
        damping = std::max(damping / 4, 1e-9);
        improved = true;
      } else {
        damping *= 8;
      }
    }
    if (!improved) break;
  }
}

int SampleInverse(const cmsUInt16Number In[], cmsUInt16Number Out[], void*) {
  cmsCIELab lab;
  cmsLabEncoded2FloatV2(&lab, In);
  Rgb target;
  cmsDoTransform(lab_to_linear, &lab, target.data(), 1);
  for (double& v : target) v = std::clamp(v, 0.0, 1.0);

  const double lightest = std::pow(std::max({target[0], target[1], target[2]}), 1.0 / 2.2);
  const double darkness = 1.0 - lightest;
  double ink[4];
  ink[3] = darkness <= 0.25 ? 0.0 : std::pow((darkness - 0.25) / 0.75, 1.3);
  for (int ch = 0; ch < 3; ++ch) ink[ch] = 1.0 - std::pow(target[ch], 1.0 / 2.2);
  SolveCMY(lab, ink);
  for (int i = 0; i < 4; ++i)
    Out[i] = static_cast<cmsUInt16Number>(std::lrint(std::clamp(ink[i], 0.0, 1.0) * 65535.0));
  return TRUE;
}

cmsPipeline* SampledTable(int points, int in, int out, cmsSAMPLER16 sampler) {
  cmsPipeline* lut = cmsPipelineAlloc(nullptr, in, out);
  cmsStage* clut = cmsStageAllocCLut16bit(nullptr, points, in, out, nullptr);
  if (!lut || !clut || !cmsStageSampleCLut16bit(clut, sampler, nullptr, 0) ||
      !cmsPipelineInsertStage(lut, cmsAT_END, clut)) {
    std::fprintf(stderr, "make_cmyk_profile: cannot build a table\n");
    std::exit(1);
  }
  return lut;
}

void WriteText(cmsHPROFILE profile, cmsTagSignature tag, const char* text) {
  cmsMLU* mlu = cmsMLUalloc(nullptr, 1);
  cmsMLUsetASCII(mlu, "en", "US", text);
  cmsWriteTag(profile, tag, mlu);
  cmsMLUfree(mlu);
}

}  // namespace

int main() {
  const cmsCIExyY d65{0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE srgb_primaries{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
  cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
  cmsToneCurve* curves[3] = {linear, linear, linear};
  cmsHPROFILE linear_srgb = cmsCreateRGBProfile(&d65, &srgb_primaries, curves);
  cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
  const cmsUInt32Number exact = cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE;
  linear_to_lab = cmsCreateTransform(linear_srgb, TYPE_RGB_DBL, lab, TYPE_Lab_DBL,
                                     INTENT_RELATIVE_COLORIMETRIC, exact);
  lab_to_linear = cmsCreateTransform(lab, TYPE_Lab_DBL, linear_srgb, TYPE_RGB_DBL,
                                     INTENT_RELATIVE_COLORIMETRIC, exact);
  if (!linear_to_lab || !lab_to_linear) {
    std::fprintf(stderr, "make_cmyk_profile: no Lab transforms\n");
    return 1;
  }

  cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
  cmsSetProfileVersion(profile, 2.1);
  cmsSetDeviceClass(profile, cmsSigOutputClass);
  cmsSetColorSpace(profile, cmsSigCmykData);
  cmsSetPCS(profile, cmsSigLabData);
  cmsSetHeaderRenderingIntent(profile, INTENT_PERCEPTUAL);
  WriteText(profile, cmsSigProfileDescriptionTag, "Calmora built-in CMYK printer model");
  WriteText(profile, cmsSigCopyrightTag, "No copyright, free to use");
  cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());

  cmsPipeline* forward = SampledTable(forward_grid_points, 4, 3, SampleForward);
  cmsPipeline* inverse = SampledTable(inverse_grid_points, 3, 4, SampleInverse);
  cmsWriteTag(profile, cmsSigAToB0Tag, forward);
  cmsWriteTag(profile, cmsSigBToA0Tag, inverse);

  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::vector<unsigned char> bytes(size);
  if (size < 128 || !cmsSaveProfileToMem(profile, bytes.data(), &size)) {
    std::fprintf(stderr, "make_cmyk_profile: cannot save the profile\n");
    return 1;
  }
  // Creation date (bytes 24..35): 2024-01-01 00:00:00, so the output is reproducible.
  const unsigned char date[12] = {0x07, 0xE8, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0};
  std::copy(date, date + 12, bytes.begin() + 24);

  uLongf packed_size = compressBound(size);
  std::vector<unsigned char> packed(packed_size);
  if (compress2(packed.data(), &packed_size, bytes.data(), size, Z_BEST_COMPRESSION) != Z_OK) {
    std::fprintf(stderr, "make_cmyk_profile: cannot compress\n");
    return 1;
  }

  std::printf(
      "// The built-in CMYK printer profile, zlib-compressed. Generated by\n"
      "// tools/cmyk_profile/make_cmyk_profile.sh from the ink model described there; do not edit.\n"
      "#include \"imaging/core/data/cmyk_profile_data.h\"\n\n"
      "namespace calmora {\n\n"
      "const int32_t BuiltInCMYKProfileSize = %u;\n"
      "const int32_t BuiltInCMYKProfileDataSize = %lu;\n\n"
      "const uint8_t BuiltInCMYKProfileData[] = {",
      static_cast<unsigned>(size), static_cast<unsigned long>(packed_size));
  for (uLongf i = 0; i < packed_size; ++i) std::printf("%s%u,", i % 24 == 0 ? "\n" : "", packed[i]);
  std::printf("\n};\n\n}  // namespace calmora\n");

  cmsPipelineFree(forward);
  cmsPipelineFree(inverse);
  cmsCloseProfile(profile);
  cmsDeleteTransform(linear_to_lab);
  cmsDeleteTransform(lab_to_linear);
  cmsCloseProfile(linear_srgb);
  cmsCloseProfile(lab);
  cmsFreeToneCurve(linear);
  return 0;
}
