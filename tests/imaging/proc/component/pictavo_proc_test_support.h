// Helpers of the processing component's tests: a log of the events a component fires, in
// order, and test images put into a component's target in the storage a case asks for.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "imaging/proc/component/pictavo_proc.h"
#include "tests/imaging/proc/rotate/rotation_test_support.h"
#include "tests/imaging/support/bitmap_patterns.h"

namespace calmora::test {

// "progress N", "finish" and "undo K" (the kind's ordinal), in the order they fired.
struct EventLog {
  std::vector<std::string> Entries;

  void Listen(TPictavoProc& proc) {
    proc.OnProgress = [this](TObject*, int percent) {
      Entries.push_back("progress " + std::to_string(percent));
    };
    proc.OnFinishWork = [this](TObject*) { Entries.push_back("finish"); };
    proc.OnSaveUndo = [this](TObject*, TPVUndoSource source) {
      Entries.push_back("undo " + std::to_string(source));
    };
  }
  // The entries without the pixel routines' progress reports, whose count depends on the
  // image: only the report that comes right before a "finish" stays.
  std::vector<std::string> WithoutProgress() const {
    std::vector<std::string> kept;
    for (size_t i = 0; i < Entries.size(); ++i) {
      const bool progress = Entries[i].rfind("progress ", 0) == 0;
      if (!progress || (i + 1 < Entries.size() && Entries[i + 1] == "finish"))
        kept.push_back(Entries[i]);
    }
    return kept;
  }
  int32_t Count(const std::string& entry) const {
    return static_cast<int32_t>(std::count(Entries.begin(), Entries.end(), entry));
  }
  void Clear() { Entries.clear(); }
};

// The picture written into the bitmap, allocated in the storage asked for.
inline void PutPicture(TPVBitmap& bitmap, Storage storage, const Picture& picture,
                       TPVPixelFormat format) {
  bitmap.FreeImage(true);
  MakePictureBitmap(bitmap, storage, picture, format);
}

// A random alpha plane for the bitmap (bytes 0..255, some of them 0).
inline void PutRandomAlpha(TPVBitmap& bitmap, std::mt19937& random) {
  TPVBitmap* alpha = bitmap.GetAlphaChannel();
  ASSERT_NE(alpha, nullptr);
  std::uniform_int_distribution<int32_t> byte(0, 255);
  for (int32_t y = 0; y < alpha->GetHeight(); ++y) {
    uint8_t* row = alpha->GetScanline(y);
    for (int32_t x = 0; x < alpha->GetWidth(); ++x)
      row[x] = static_cast<uint8_t>(byte(random) < 40 ? 0 : byte(random));
  }
  alpha->Opaque = false;
}

inline Picture ReadAlphaPicture(TPVBitmap& bitmap) {
  return bitmap.HasAlphaChannel() ? ReadPicture(*bitmap.GetAlphaChannel()) : Picture();
}

}  // namespace calmora::test
