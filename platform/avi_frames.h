// Single frames of an AVI file's first video stream as packed DIBs, over libavformat,
// libavcodec and libswscale: uncompressed streams keep their depth and colour table, all others
// are decoded to 24 bits.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/avi_stream_header.h"

namespace calmora::platform {

// Frames larger than this are refused rather than allocated (a 64-megapixel frame at 32 bits
// is already a 256 MB DIB); the fuzz target lowers it to stay fast.
extern int64_t AviMaxFramePixels;

class AviFrameReader {
 public:
  // The file's first video stream, ready to read; null, with reason saying why, when the file
  // is missing, not an AVI file, has no video stream or no frames, or a frame size or coding
  // we cannot read.
  static std::unique_ptr<AviFrameReader> Open(const std::string& fileName, std::string& reason);
  ~AviFrameReader();
  AviFrameReader(const AviFrameReader&) = delete;
  AviFrameReader& operator=(const AviFrameReader&) = delete;

  // The stream's length in frames as its header states it, but never more than the file's
  // index lists or, without an index, than the file's size can hold.
  uint32_t FrameCount() const { return frameCount_; }
  // The stream header's rate and scale as stored (both 0 when the header could not be read).
  AviRateAndScale RateAndScale() const { return rateAndScale_; }
  // The frame's delay in milliseconds (AviFrameDelay of rate and scale).
  uint64_t FrameDelay() const { return AviFrameDelay(rateAndScale_.Rate, rateAndScale_.Scale); }

  // Frame index (from 0) as a packed DIB, rows bottom-up whatever the file's order: 1, 4, 8
  // bits with the stream's colour table, 16 (5-5-5), 24 or 32 bits for uncompressed streams,
  // 24 bits for the others. False, with reason, for an index past the end or a frame the file
  // does not hold whole; the reader stays usable.
  bool ReadFrame(uint32_t index, std::vector<uint8_t>& dib, std::string& reason);

 private:
  struct Media;
  explicit AviFrameReader(std::unique_ptr<Media> media);
  bool ReadStoredFrame(uint32_t index, std::vector<uint8_t>& dib, std::string& reason);
  bool ReadDecodedFrame(uint32_t index, std::vector<uint8_t>& dib, std::string& reason);
  bool SeekTo(uint32_t index, std::string& reason);
  int64_t NextPacketIndex(std::string& reason);
  bool ConvertFrame(std::vector<uint8_t>& dib, std::string& reason);

  std::unique_ptr<Media> media_;
  uint32_t frameCount_ = 0;
  AviRateAndScale rateAndScale_;
  // The frame the demuxer delivers next without a seek, so frames read in order are not
  // sought one by one; -1 when unknown.
  int64_t nextIndex_ = -1;
};

}  // namespace calmora::platform
