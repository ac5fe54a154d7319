// Test fixtures for the colour tests: ICC profiles made on the spot with Little CMS, and
// transicc (liblcms2-utils) as the outside reference.
#pragma once

#include <gtest/gtest.h>
#include <lcms2.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

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

// Runs transicc from the input profile to its built-in sRGB, perceptual, on 8-bit RGB
// triples, with its input text in the folder; returns one row of three floating-point channel
// values (0..255) per input, none when transicc fails.
inline std::vector<std::array<double, 3>> TransiccToSRGB(
    const ScratchFolder& folder, const std::string& profile,
    const std::vector<std::array<int, 3>>& rgb) {
  const std::string input = folder.File("transicc_in.txt");
  {
    std::ofstream in(input);
    for (const auto& p : rgb) in << p[0] << ' ' << p[1] << ' ' << p[2] << '\n';
  }
  const ToolResult transicc = RunTool("transicc -n -s -t0 " + ShellQuoted("-i" + profile) +
                                          " '-o*sRGB' <" + ShellQuoted(input) + " 2>/dev/null",
                                      false);
  std::vector<std::array<double, 3>> result;
  if (transicc.Status != 0) return result;
  std::istringstream out(transicc.Output);
  std::array<double, 3> v;
  while (out >> v[0] >> v[1] >> v[2]) result.push_back(v);
  return result;
}

}  // namespace calmora::test
