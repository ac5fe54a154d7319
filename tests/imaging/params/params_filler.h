// Fills every field of a parameter record with a value of its own that no default has, so that
// a dump shows which fields an operation copied: numbers and texts from a running counter,
// owned objects with content.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "imaging/params/io_params.h"
#include "imaging/params/io_params_fields.h"
#include "tests/imaging/core/color/icc_test_profiles.h"

namespace calmora::test {

inline uint8_t* FakeTIFFDecompress(const uint8_t*, int32_t, void*&, int32_t, int64_t) {
  return nullptr;
}
inline void FakeTIFFCompress(const uint8_t*, int32_t, TStream*, void*&) {}
inline void FakeGIFDecompress(TStream*, int32_t, int32_t, bool, uint8_t*) {}
inline void FakeGIFCompress(TStream*, int32_t, int32_t, bool, const uint8_t*, int32_t) {}

class ParamsFiller {
 public:
  template <typename Field, typename Default, typename T>
  void operator()(Field, Default, T& value) {
    ++n_;
    Fill(value);
  }

 private:
  void Fill(TIOParamsOwner*&) {}  // the owner is the record's own
  void Fill(bool& value) { value = !value; }
  void Fill(uint8_t& value) { value = static_cast<uint8_t>(100 + n_ % 100); }
  void Fill(int32_t& value) { value = 100000 + n_; }
  void Fill(double& value) { value = n_ + 0.25; }
  void Fill(std::string& value) { value = "s" + std::to_string(n_); }
  void Fill(std::u16string& value) {
    const std::string digits = std::to_string(n_);
    value = u"w" + std::u16string(digits.begin(), digits.end()) + u"\u00e9";
  }
  void Fill(TPVRGB& value) {
    value = TPVRGB{uint8_t(n_ % 256), uint8_t((n_ + 1) % 256), uint8_t((n_ + 2) % 256)};
  }
  template <typename T, size_t N>
  void Fill(std::array<T, N>& values) {
    for (size_t i = 0; i < N; ++i) values[i] = static_cast<T>(n_ * 10 + int(i)) + T(0.5);
  }
  void Fill(TICOSizes& sizes) {
    for (size_t i = 0; i < sizes.size(); ++i) sizes[i] = {n_ + int(i), n_ + 2 * int(i)};
  }
  void Fill(TStringList& list) { list = {"a" + std::to_string(n_), "b" + std::to_string(n_)}; }
  void Fill(TPVMarkerList& markers) {
    const std::string text = "comment " + std::to_string(n_);
    markers.AddMarker(0xFE, text.data(), int64_t(text.size()));
    markers.AddMarker(0xE2, text.data(), 3);
  }
  void Fill(TPVIPTCInfoList& list) {
    const std::string text = "caption " + std::to_string(n_);
    list.AddItem(2, 120, int32_t(text.size()), text.data());
  }
  void Fill(TPVDICOMTags& tags) {
    auto data = std::make_unique<uint8_t[]>(3);
    data[0] = uint8_t(n_);
    tags.AddTag(0x0010, uint16_t(n_), "PN", std::move(data), 2);
  }
  void Fill(TPVTagsHandler& handler) {
    // A directory of one short tag whose value is the counter.
    const uint8_t directory[14] = {1, 0, 0x0F, 0x01, 3, 0, 1, 0, 0, 0, uint8_t(n_), 0, 0, 0};
    handler.Data.WriteBuffer(directory, sizeof directory);
    handler.ReadTags();
  }
  void Fill(std::unique_ptr<TPVBitmap>& bitmap) {
    bitmap = std::make_unique<TPVBitmap>(3, 2, pv24RGB);
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 9; ++x) bitmap->GetScanline(y)[x] = uint8_t(n_ + 9 * y + x);
  }
  void Fill(std::unique_ptr<TPVICC>& profile) {
    const auto bytes = MakeRGBProfile(1.0 + n_ % 7 / 10.0, "Filler profile", "Test");
    profile = std::make_unique<TPVICC>();
    profile->LoadFromBuffer(bytes.data(), int32_t(bytes.size()));
  }
  void Fill(std::unique_ptr<TPVImagingAnnot>& annot) {
    annot = std::make_unique<TPVImagingAnnot>();
    for (int i = 0; i < 1 + n_ % 3; ++i) {
      auto mark = std::make_unique<TPVImagingObject>();
      mark->Attributes[0] = uint8_t(5 + i);
      annot->Objects.push_back(std::move(mark));
    }
  }
  // The palette's entries are set below, once its count is known.
  void Fill(std::unique_ptr<TPVRGB[]>&) {}
  void Fill(TTIFFLZWDecompressFunc& value) { value = FakeTIFFDecompress; }
  void Fill(TTIFFLZWCompressProc& value) { value = FakeTIFFCompress; }
  void Fill(TGIFLZWDecompressProc& value) { value = FakeGIFDecompress; }
  void Fill(TGIFLZWCompressProc& value) { value = FakeGIFCompress; }

  int n_ = 0;
};

// Every field but OwnerIO changed; a palette of 3 entries.
inline void FillParams(TIOParamsVals& params) {
  VisitParamsFields(ParamsFiller(), params);
  params.ColorMapCount = 3;
  params.ColorMap = std::make_unique<TPVRGB[]>(3);
  for (int i = 0; i < 3; ++i) params.ColorMap[size_t(i)] = TPVRGB{uint8_t(i), 9, uint8_t(200 - i)};
  params.GetImagingAnnot();  // the filled list's parent link is this record
  params.ImagingAnnot->Parent = &params;
}

}  // namespace calmora::test
