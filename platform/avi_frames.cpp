// AviFrameReader over libavformat (the AVI demuxer only, files only), libavcodec and
// libswscale: uncompressed frames are copied from their packets, others decoded and converted.
#include "platform/avi_frames.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/avi_dib.h"

namespace calmora::platform {
namespace {

// The demuxer's mark, at the end of an uncompressed stream's extra data, of rows stored bottom
// row first (the file's positive height); without it the rows are stored top row first.
constexpr char kBottomUpMark[] = "BottomUp";
constexpr int kBottomUpMarkSize = sizeof(kBottomUpMark);  // with its terminating zero

bool IsStoredDepth(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// A frame of the file takes at least its chunk's header: the tag and the size field.
constexpr int64_t kFrameChunkHeaderBytes = 8;

// The header's frame count, which nothing checks, capped by what the file can hold: the
// entries of its index when it has one, else its size over the least a frame takes (a chunk
// header, and for stored frames their rows as well, padded to an even size).
int64_t CappedFrameCount(const AVFormatContext* format, const AVStream* stream,
                         int64_t storedFrameBytes) {
  const int64_t claimed = stream->nb_frames;
  const int indexed = avformat_index_get_entries_count(stream);
  if (indexed > 0) return std::min<int64_t>(claimed, indexed);
  const int64_t fileSize = format->pb != nullptr ? avio_size(format->pb) : -1;
  if (fileSize <= 0) return 0;
  const int64_t perFrame = kFrameChunkHeaderBytes + storedFrameBytes + (storedFrameBytes & 1);
  return std::min(claimed, fileSize / perFrame);
}

std::string LibraryError(const char* what, int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof(text));
  return std::string(what) + ": " + text;
}

}  // namespace

int64_t AviMaxFramePixels = int64_t{1} << 26;

struct AviFrameReader::Media {
  ~Media() {
    sws_freeContext(Scaler);
    av_frame_free(&Frame);
    av_packet_free(&Packet);
    avcodec_free_context(&Decoder);
    avformat_close_input(&Format);
  }
  AVFormatContext* Format = nullptr;
  AVCodecContext* Decoder = nullptr;  // only for streams that are not stored uncompressed
  SwsContext* Scaler = nullptr;
  AVPacket* Packet = nullptr;
  AVFrame* Frame = nullptr;
  int StreamIndex = -1;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitCount = 0;  // of stored frames
  bool BottomUp = false;
  std::vector<uint8_t> ColorTable;
  bool Draining = false;  // the decoder was told the stream ended
};

AviFrameReader::AviFrameReader(std::unique_ptr<Media> media) : media_(std::move(media)) {}
AviFrameReader::~AviFrameReader() = default;

std::unique_ptr<AviFrameReader> AviFrameReader::Open(const std::string& fileName,
                                                     std::string& reason) {
  // The libraries would print every complaint about a damaged file; the reason says enough.
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
  auto media = std::make_unique<Media>();
  AVDictionary* options = nullptr;
  // Only the file itself: an AVI file has no business opening other files or addresses.
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  const int opened = avformat_open_input(&media->Format, ("file:" + fileName).c_str(),
                                         av_find_input_format("avi"), &options);
  av_dict_free(&options);
  if (opened < 0) {
    reason = LibraryError("not a readable AVI file", opened);
    return nullptr;
  }
  AVFormatContext* format = media->Format;
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const bool isFirstVideo =
        media->StreamIndex < 0 && format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
    if (isFirstVideo) media->StreamIndex = static_cast<int>(i);
    format->streams[i]->discard = isFirstVideo ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
  }
  if (media->StreamIndex < 0) {
    reason = "the file holds no video stream";
    return nullptr;
  }
  const AVStream* stream = format->streams[media->StreamIndex];
  const AVCodecParameters* codec = stream->codecpar;
  media->Width = codec->width;
  media->Height = codec->height;
  if (media->Width <= 0 || media->Height <= 0 ||
      int64_t{media->Width} * media->Height > AviMaxFramePixels) {
    reason = "unusable frame size " + std::to_string(codec->width) + " x " +
             std::to_string(codec->height);
    return nullptr;
  }
  if (stream->nb_frames <= 0) {
    reason = "the video stream holds no frames";
    return nullptr;
  }
  const bool stored = codec->codec_id == AV_CODEC_ID_RAWVIDEO && codec->codec_tag == 0 &&
                      IsStoredDepth(codec->bits_per_coded_sample);
  if (stored) {
    media->BitCount = codec->bits_per_coded_sample;
    size_t extraSize = codec->extradata != nullptr ? static_cast<size_t>(codec->extradata_size) : 0;
    if (extraSize >= kBottomUpMarkSize &&
        std::memcmp(codec->extradata + extraSize - kBottomUpMarkSize, kBottomUpMark,
                    kBottomUpMarkSize) == 0) {
      media->BottomUp = true;
      extraSize -= kBottomUpMarkSize;
    }
    if (media->BitCount <= 8) {
      // Always the whole table, so the DIB's colour count is exact; entries the file lacks
      // are black.
      media->ColorTable.assign(size_t{4} << media->BitCount, 0);
      std::copy_n(codec->extradata, std::min(extraSize, media->ColorTable.size()),
                  media->ColorTable.begin());
    }
  } else {
    const AVCodec* decoder = avcodec_find_decoder(codec->codec_id);
    media->Decoder = decoder != nullptr ? avcodec_alloc_context3(decoder) : nullptr;
    if (media->Decoder == nullptr || avcodec_parameters_to_context(media->Decoder, codec) < 0) {
      reason = "no decoder for the video stream's coding";
      return nullptr;
    }
    media->Decoder->thread_count = 1;
    media->Decoder->max_pixels = AviMaxFramePixels;
    const int ready = avcodec_open2(media->Decoder, decoder, nullptr);
    if (ready < 0) {
      reason = LibraryError("the decoder did not start", ready);
      return nullptr;
    }
  }
  media->Packet = av_packet_alloc();
  media->Frame = av_frame_alloc();
  if (media->Packet == nullptr || media->Frame == nullptr) {
    reason = "out of memory";
    return nullptr;
  }
  const int64_t storedFrameBytes =
      stored ? static_cast<int64_t>(DIBRowStride(media->Width, media->BitCount)) * media->Height
             : 0;
  const int64_t frameCount = CappedFrameCount(format, stream, storedFrameBytes);
  if (frameCount <= 0) {
    reason = "the file is too small for any of the video stream's frames";
    return nullptr;
  }
  std::unique_ptr<AviFrameReader> reader(new AviFrameReader(std::move(media)));
  reader->frameCount_ = static_cast<uint32_t>(std::min<int64_t>(frameCount, UINT32_MAX));
  if (const auto header = ReadVideoRateAndScale(fileName)) reader->rateAndScale_ = *header;
  reader->nextIndex_ = 0;
  return reader;
}

bool AviFrameReader::ReadFrame(uint32_t index, std::vector<uint8_t>& dib, std::string& reason) {
  if (index >= frameCount_) {
    reason =
        "frame " + std::to_string(index) + " is past the last of " + std::to_string(frameCount_);
    return false;
  }
  const bool read = media_->Decoder == nullptr ? ReadStoredFrame(index, dib, reason)
                                               : ReadDecodedFrame(index, dib, reason);
  if (!read) nextIndex_ = -1;
  return read;
}

bool AviFrameReader::SeekTo(uint32_t index, std::string& reason) {
  if (nextIndex_ == index) return true;
  const int sought =
      av_seek_frame(media_->Format, media_->StreamIndex, index, AVSEEK_FLAG_BACKWARD);
  if (sought < 0) {
    reason = LibraryError("cannot seek to the frame", sought);
    return false;
  }
  if (media_->Decoder != nullptr) avcodec_flush_buffers(media_->Decoder);
  media_->Draining = false;
  nextIndex_ = -1;
  return true;
}

// Reads on to the next packet of the video stream; its frame index, or -1 at the end or on a
// read error (reason then says which).
int64_t AviFrameReader::NextPacketIndex(std::string& reason) {
  for (;;) {
    av_packet_unref(media_->Packet);
    const int got = av_read_frame(media_->Format, media_->Packet);
    if (got < 0) {
      reason = got == AVERROR_EOF ? "the file ends before the frame"
                                  : LibraryError("cannot read the file", got);
      return -1;
    }
    if (media_->Packet->stream_index != media_->StreamIndex) continue;
    // The time base is one frame, so a time stamp is a frame index.
    const int64_t stamp =
        media_->Packet->dts != AV_NOPTS_VALUE ? media_->Packet->dts : media_->Packet->pts;
    if (stamp == AV_NOPTS_VALUE) {
      reason = "a frame without a position";
      return -1;
    }
    return stamp;
  }
}

bool AviFrameReader::ReadStoredFrame(uint32_t index, std::vector<uint8_t>& dib,
                                     std::string& reason) {
  if (!SeekTo(index, reason)) return false;
  int64_t at;
  do {
    at = NextPacketIndex(reason);
    if (at < 0) return false;
    nextIndex_ = at + 1;
  } while (at < index);
  if (at > index) {
    reason = "the file holds no frame " + std::to_string(index);
    return false;
  }
  const Media& media = *media_;
  const size_t stride = DIBRowStride(media.Width, media.BitCount);
  const size_t size = stride * static_cast<size_t>(media.Height);
  if (static_cast<size_t>(media.Packet->size) < size) {
    reason = "frame " + std::to_string(index) + " holds " + std::to_string(media.Packet->size) +
             " of " + std::to_string(size) + " bytes";
    return false;
  }
  dib = MakePackedDIB(media.Width, media.Height, media.BitCount, media.ColorTable);
  uint8_t* rows = DIBRows(dib);
  if (media.BottomUp) {
    std::memcpy(rows, media.Packet->data, size);
  } else {
    for (int32_t y = 0; y < media.Height; ++y)
      std::memcpy(rows + stride * static_cast<size_t>(media.Height - 1 - y),
                  media.Packet->data + stride * y, stride);
  }
  return true;
}

bool AviFrameReader::ReadDecodedFrame(uint32_t index, std::vector<uint8_t>& dib,
                                      std::string& reason) {
  if (!SeekTo(index, reason)) return false;
  Media& media = *media_;
  for (;;) {
    const int received = avcodec_receive_frame(media.Decoder, media.Frame);
    if (received == 0) {
      const int64_t at = media.Frame->best_effort_timestamp;
      if (at == index) {
        nextIndex_ = media.Draining ? -1 : int64_t{index} + 1;
        const bool converted = ConvertFrame(dib, reason);
        av_frame_unref(media.Frame);
        return converted;
      }
      av_frame_unref(media.Frame);
      if (at > index) {
        reason = "the file holds no frame " + std::to_string(index);
        return false;
      }
      continue;
    }
    if (received == AVERROR_EOF) {
      reason = "the file ends before frame " + std::to_string(index);
      return false;
    }
    if (received != AVERROR(EAGAIN)) {
      reason = LibraryError("cannot decode the frame", received);
      return false;
    }
    std::string readFailure;
    const bool more = NextPacketIndex(readFailure) >= 0;
    if (!more) media.Draining = true;
    // A damaged packet is skipped as players skip it; the frame asked for then never comes
    // and the loop ends at the stream's end.
    const int sent = avcodec_send_packet(media.Decoder, more ? media.Packet : nullptr);
    if (sent < 0 && !more) {
      reason = readFailure;
      return false;
    }
  }
}

bool AviFrameReader::ConvertFrame(std::vector<uint8_t>& dib, std::string& reason) {
  const AVFrame& frame = *media_->Frame;
  if (frame.width <= 0 || frame.height <= 0 ||
      int64_t{frame.width} * frame.height > AviMaxFramePixels) {
    reason = "the decoded frame has an unusable size";
    return false;
  }
  media_->Scaler = sws_getCachedContext(
      media_->Scaler, frame.width, frame.height, static_cast<AVPixelFormat>(frame.format),
      frame.width, frame.height, AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (media_->Scaler == nullptr) {
    reason = "cannot convert the decoded frame's pixel format";
    return false;
  }
  dib = MakePackedDIB(frame.width, frame.height, 24, {});
  const int stride = static_cast<int>(DIBRowStride(frame.width, 24));
  // Written from the bottom row of the DIB up, so its rows come out bottom-up.
  uint8_t* const target[4] = {DIBRows(dib) + static_cast<size_t>(stride) * (frame.height - 1),
                              nullptr, nullptr, nullptr};
  const int targetStride[4] = {-stride, 0, 0, 0};
  sws_scale(media_->Scaler, frame.data, frame.linesize, 0, frame.height, target, targetStride);
  return true;
}

}  // namespace calmora::platform
