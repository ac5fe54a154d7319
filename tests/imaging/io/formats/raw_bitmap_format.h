// The raw bitmap stream registered as an outside format: a real registry entry with a reader,
// a writer and a content test, so that loads by content reach a format no codec serves.
#pragma once

#include <cstring>
#include <memory>

#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/raw_bitmap_stream.h"
#include "imaging/io/formats/file_formats.h"

namespace calmora::test {

inline void RawBitmapRead(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals&, bool,
                          TPVProgressRecord& Progress) {
  if (!Bitmap->LoadRawFromStream(Stream)) *Progress.Aborting = true;
}

inline void RawBitmapWrite(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals&,
                           TPVProgressRecord& Progress) {
  if (!Bitmap->SaveRawToStream(Stream)) *Progress.Aborting = true;
}

inline bool RawBitmapTest(TStream* Stream, int32_t) {
  char head[sizeof kRawBitmapSignature] = {};
  return Stream->Read(head, sizeof head) == sizeof head &&
         std::memcmp(head, kRawBitmapSignature, sizeof head) == 0;
}

// Registers the entry under Id with the extension "RWT".
inline void RegisterRawBitmapFormat(TPVFileFormatId Id) {
  auto entry = std::make_unique<TPVFileFormatInfo>();
  entry->FileType = Id;
  entry->Description = "Raw bitmap";
  entry->Extensions = "RWT";
  entry->ReadProc = RawBitmapRead;
  entry->WriteProc = RawBitmapWrite;
  entry->TestProc = RawBitmapTest;
  RegisterFileFormat(std::move(entry));
}

}  // namespace calmora::test
