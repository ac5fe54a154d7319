// A metafile backend for tests of code that imports metafiles: it "loads" the pictures a test
// registers under file names, each a size, a kind and the rectangles it paints, and installs
// itself for its lifetime.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/metafile.h"

namespace calmora::platform {

// One filled rectangle of a fake picture, in the picture's own pixels; Play scales it to the
// metafile's current size.
struct FakeMetafileRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  uint32_t Color = 0;  // 0x00BBGGRR
};

struct FakeMetafilePicture {
  int32_t Width = 0;
  int32_t Height = 0;
  MetafileKind Kind = MetafileKind::kEnhanced;
  std::vector<FakeMetafileRect> Rects;
};

class FakeMetafile final : public Metafile {
 public:
  explicit FakeMetafile(const FakeMetafilePicture& picture)
      : Metafile(picture.Width, picture.Height, picture.Kind), picture_(picture) {}
  void Play(TCanvas& canvas) const override {
    ++PlayCount;
    for (const FakeMetafileRect& rect : picture_.Rects) {
      canvas.Brush.Color = rect.Color;
      canvas.Brush.Style = bsSolid;
      canvas.FillRect(Scaled(rect.Left, Width(), picture_.Width),
                      Scaled(rect.Top, Height(), picture_.Height),
                      Scaled(rect.Right, Width(), picture_.Width),
                      Scaled(rect.Bottom, Height(), picture_.Height));
    }
  }
  static inline int PlayCount = 0;

 private:
  static int32_t Scaled(int32_t value, int32_t size, int32_t own) {
    return own > 0 ? static_cast<int32_t>(int64_t{value} * size / own) : value;
  }
  FakeMetafilePicture picture_;
};

class FakeMetafileBackend final : public MetafileBackend {
 public:
  FakeMetafileBackend() { SetMetafileBackend(this); }
  ~FakeMetafileBackend() override { SetMetafileBackend(nullptr); }
  FakeMetafileBackend(const FakeMetafileBackend&) = delete;
  FakeMetafileBackend& operator=(const FakeMetafileBackend&) = delete;

  void Register(const std::string& fileName, const FakeMetafilePicture& picture) {
    pictures_[fileName] = picture;
  }

  std::unique_ptr<Metafile> Load(const std::string& fileName, std::string& reason) override {
    const auto found = pictures_.find(fileName);
    if (found == pictures_.end()) {
      reason = "no such fake metafile: " + fileName;
      return nullptr;
    }
    return std::make_unique<FakeMetafile>(found->second);
  }

 private:
  std::map<std::string, FakeMetafilePicture> pictures_;
};

}  // namespace calmora::platform
