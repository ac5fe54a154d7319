// What the parameter record tests share: an owner that stands in for the I/O component, a
// view that records every resolution it hears, and JPEG files with EXIF and XMP from exiftool.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/params/params_owner.h"
#include "platform/device_bitmap.h"
#include "tests/imaging/core/metadata/jpeg_segments.h"
#include "tests/imaging/support/fake_pictavo_view.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {

// A view that keeps every value passed to SetDpiX and SetDpiY, in order.
class DpiRecordingView : public FakePictavoView {
 public:
  void SetDpiX(int32_t Value) override {
    FakePictavoView::SetDpiX(Value);
    DpiXCalls.push_back(Value);
  }
  void SetDpiY(int32_t Value) override {
    FakePictavoView::SetDpiY(Value);
    DpiYCalls.push_back(Value);
  }
  std::vector<int32_t> DpiXCalls;
  std::vector<int32_t> DpiYCalls;
};

// The I/O component as its record sees it: a device bitmap and an attached view, each
// optional.
class FakeParamsOwner : public TIOParamsOwner {
 public:
  platform::TBitmap* GetTBitmap() override { return Bitmap; }
  TPVView* GetAttachedPictavo() override { return View; }
  platform::TBitmap* Bitmap = nullptr;
  TPVView* View = nullptr;
};

// A small JPEG from ImageMagick to which exiftool adds the given tag assignments (for example
// "-EXIF:Artist=Someone -XMP-dc:Title=Harbour"); empty when a tool fails.
inline std::string JpegWithTags(const ScratchFolder& folder, const std::string& name,
                                const std::string& assignments) {
  const std::string path = folder.File(name);
  if (RunTool("convert -size 16x8 gradient:red-blue " + ShellQuoted(path)).Status != 0) return {};
  if (RunTool("exiftool -q -overwrite_original " + assignments + " " + ShellQuoted(path)).Status !=
      0)
    return {};
  return ReadFileBytes(path);
}

// The APP1 payloads of a JPEG file in file order, and the one that starts with Prefix.
inline std::vector<uint8_t> App1Starting(const std::string& jpeg, const std::string& prefix) {
  for (const auto& payload : PayloadsOfType(ReadJpegSegments(jpeg), 0xE1))
    if (payload.size() >= prefix.size() &&
        std::equal(prefix.begin(), prefix.end(), payload.begin()))
      return payload;
  return {};
}

}  // namespace calmora::test
