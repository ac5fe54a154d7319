// Test fixtures for the colour tests: ICC profiles made on the spot with Little CMS, a
// temporary folder, and transicc (liblcms2-utils) as the outside reference.
#pragma once

#include <gtest/gtest.h>
#include <lcms2.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace calmora::test {

// The bytes of a profile after saving it; the profile is closed.
inline std::vector<uint8_t> SaveAndCloseProfile(cmsHPROFILE profile) {
  std::vector<uint8_t> bytes;
  cmsUInt32Number size = 0;
  if (profile != nullptr && cmsSaveProfileToMem(profile, nullptr, &size)) {
    bytes.resize(size);
    if (!cmsSaveProfileToMem(profile, bytes.data(), &size)) bytes.clear();
  }
  if (profile != nullptr) cmsCloseProfile(profile);
  return bytes;
}

inline void WriteProfileText(cmsHPROFILE profile, cmsTagSignature tag, const char* text) {
  cmsMLU* mlu = cmsMLUalloc(nullptr, 1);
  cmsMLUsetASCII(mlu, "en", "US", text);
  cmsWriteTag(profile, tag, mlu);
  cmsMLUfree(mlu);
}

// A version 2 RGB profile (D65 white) with Adobe-like primaries and one gamma for all
// channels, carrying the given description and copyright texts.
inline std::vector<uint8_t> MakeRGBProfile(double gamma, const char* description,
                                           const char* copyright) {
  const cmsCIExyY d65{0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
  cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
  cmsToneCurve* curves[3] = {curve, curve, curve};
  cmsHPROFILE profile = cmsCreateRGBProfile(&d65, &primaries, curves);
  cmsFreeToneCurve(curve);
  cmsSetProfileVersion(profile, 2.1);
  WriteProfileText(profile, cmsSigProfileDescriptionTag, description);
  WriteProfileText(profile, cmsSigCopyrightTag, copyright);
  return SaveAndCloseProfile(profile);
}

// A D50 CIELab identity profile, the input profile of Lab pixel rows.
inline std::vector<uint8_t> MakeLabProfile() {
  return SaveAndCloseProfile(cmsCreateLab4Profile(nullptr));
}

// A grey profile of gamma 2.2.
inline std::vector<uint8_t> MakeGrayProfile() {
  cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
  cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), curve);
  cmsFreeToneCurve(curve);
  return SaveAndCloseProfile(profile);
}

// A folder under the system temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "calmora-colour-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::filesystem::path Path(const std::string& name) const { return path_ / name; }
  bool Valid() const { return !path_.empty(); }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline bool TransiccAvailable() { return std::system("command -v transicc >/dev/null 2>&1") == 0; }

// Runs transicc from the input profile to its built-in sRGB, perceptual, on 8-bit RGB
// triples; returns one row of three floating-point channel values (0..255) per input.
inline std::vector<std::array<double, 3>> TransiccToSRGB(
    const ScratchFolder& folder, const std::filesystem::path& profile,
    const std::vector<std::array<int, 3>>& rgb) {
  const auto input = folder.Path("transicc_in.txt");
  const auto output = folder.Path("transicc_out.txt");
  {
    std::ofstream in(input);
    for (const auto& p : rgb) in << p[0] << ' ' << p[1] << ' ' << p[2] << '\n';
  }
  const std::string command = "transicc -n -s -t0 '-i" + profile.string() + "' '-o*sRGB' <'" +
                              input.string() + "' >'" + output.string() + "' 2>/dev/null";
  std::vector<std::array<double, 3>> result;
  if (std::system(command.c_str()) != 0) return result;
  std::ifstream out(output);
  std::array<double, 3> v;
  while (out >> v[0] >> v[1] >> v[2]) result.push_back(v);
  return result;
}

}  // namespace calmora::test
