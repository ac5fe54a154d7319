// Strings and text lines on streams (length-prefixed strings, plain text, LF and CR LF lines)
// and SafeStreamWrite, the write call of every codec writer.
#include <limits>

#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

namespace {

bool WriteAll(TStream* stream, const void* data, size_t size) {
  if (size > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
  auto count = static_cast<int32_t>(size);
  return count == 0 || stream->Write(data, count) == count;
}

}  // namespace

bool WriteStringToStream(TStream* stream, const std::string& text) {
  if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
  auto count = static_cast<uint32_t>(text.size());
  const uint8_t prefix[4] = {static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8),
                             static_cast<uint8_t>(count >> 16), static_cast<uint8_t>(count >> 24)};
  return WriteAll(stream, prefix, sizeof prefix) && WriteAll(stream, text.data(), text.size());
}

bool ReadStringFromStream(TStream* stream, std::string& text) {
  text.clear();
  const int64_t start = stream->GetPosition();
  TPVByteReader reader(stream);
  // The count comes from the data: trust it only as far as the stream reaches.
  const int32_t count = reader.ReadLE<int32_t>();
  if (reader.CheckCount(count)) {
    text.resize(static_cast<size_t>(count));
    if (reader.Read(text.data(), count)) return true;
  }
  text.clear();
  stream->SetPosition(start);
  return false;
}

bool WriteText(TStream* stream, const std::string& text) {
  return WriteAll(stream, text.data(), text.size());
}

bool WriteTextLineLF(TStream* stream, const std::string& text) {
  static constexpr char kLf[] = {'\n'};
  return WriteText(stream, text) && WriteAll(stream, kLf, sizeof kLf);
}

bool WriteTextLineCRLF(TStream* stream, const std::string& text) {
  static constexpr char kCrlf[] = {'\r', '\n'};
  return WriteText(stream, text) && WriteAll(stream, kCrlf, sizeof kCrlf);
}

void SafeStreamWrite(TStream* stream, bool& failed, const void* buffer, int32_t count) {
  if (stream->Write(buffer, count) < count) failed = true;
}

}  // namespace calmora
