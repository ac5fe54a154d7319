// Parsing of the engine's file description (see probe_parser.h).
#include "app/probe_parser.h"

#include "app/engine_text.h"

namespace calmora {

namespace {

constexpr auto kNotFound = std::string_view::npos;

// The text after `marker`'s first occurrence, cut before the first `end` that follows
// (empty when none follows), trimmed; the field stays as it was when the marker is absent.
void TakeField(std::string_view text, std::string_view marker, std::string_view end,
               std::string& field) {
  const std::size_t at = text.find(marker);
  if (at == kNotFound) return;
  const std::string_view rest = text.substr(at + marker.size());
  const std::size_t stop = rest.find(end);
  field = std::string(TrimText(stop == kNotFound ? std::string_view() : rest.substr(0, stop)));
}

// Stream lines end their bit rate in "kb/s"; the text between two of them belongs to one
// stream, and of its two markers the later one names the kind of stream.
void TakeStreamBitrates(std::string_view work, Tffinfo& info) {
  for (;;) {
    const std::size_t unit = work.find("kb/s");
    if (unit == kNotFound) return;
    const std::string_view segment = work.substr(0, unit);
    const std::size_t audio = segment.find(": Audio:");
    const std::size_t video = segment.find(": Video:");
    if (ContainsText(segment, "#0:") && (audio != kNotFound || video != kNotFound)) {
      const std::size_t comma = segment.rfind(',');
      const std::string value(TrimText(comma == kNotFound ? segment : segment.substr(comma + 1)));
      // A missing marker counts as standing before any present one.
      if (audio != kNotFound && (video == kNotFound || audio > video)) {
        info.audio_bitrate = value;
      } else if (video != kNotFound && (audio == kNotFound || video > audio)) {
        info.video_bitrate = value;
      }
    }
    // Go on after the unit and the one character that follows it.
    work = unit + 5 <= work.size() ? work.substr(unit + 5) : std::string_view();
  }
}

// Every "x" between two whole numbers is a candidate picture size; the largest width and
// the largest height are kept, each on its own, as the operand texts that carried them.
void TakePictureSize(std::string_view work, Tffinfo& info) {
  long widest = 0;
  long tallest = 0;
  std::string widestText;
  std::string tallestText;
  for (;;) {
    const std::size_t x = work.find('x');
    if (x == kNotFound) break;
    std::string_view left = work.substr(0, x);
    if (const std::size_t comma = left.rfind(','); comma != kNotFound)
      left = left.substr(comma + 1);
    if (const std::size_t blank = left.rfind(' '); blank != kNotFound)
      left = left.substr(blank + 1);
    std::string_view right = work.substr(x + 1);
    const std::size_t comma = right.find(',');
    right = comma == kNotFound ? std::string_view() : right.substr(0, comma);
    if (const std::size_t blank = right.find(' '); blank != kNotFound)
      right = right.substr(0, blank);
    const auto width = ParseWholeNumber(left);
    const auto height = ParseWholeNumber(right);
    if (width && height && *width != 0 && *height != 0) {
      if (*width > widest) {
        widest = *width;
        widestText = left;
      }
      if (*height > tallest) {
        tallest = *height;
        tallestText = right;
      }
    }
    work = work.substr(x + 1);
  }
  // Only positive sizes ever replace the empty start, so an unchanged maximum is empty.
  info.width = widestText;
  info.height = tallestText;
}

}  // namespace

bool ProbeTextCollector::Chunk(std::string_view chunk) {
  text_.append(chunk);
  return true;
}

void ProbeTextCollector::Idle(std::string_view previousChunk) {
  const std::string_view trimmed = TrimText(previousChunk);
  if (!trimmed.empty() && !ContainsText(text_, trimmed)) text_.append(trimmed);
}

void ParseProbeText(const std::string& text, Tffinfo& info) {
  TakeField(text, "Duration: ", ",", info.duration);
  TakeField(text, "bitrate: ", "kb/s", info.bitrate);
  TakeStreamBitrates(text, info);
  TakePictureSize(text, info);
}

bool HasUsableDuration(const Tffinfo& info) {
  return !TrimText(info.duration).empty() && info.duration != "0" && info.duration != "N/A";
}

bool DescribesVideoStream(const std::string& text, const std::string& filePath) {
  const std::string description = WithoutPaths(text, {filePath});
  std::string_view rest = description;
  while (!rest.empty()) {
    const std::size_t end = rest.find_first_of("\r\n");
    const std::string_view line = TrimText(rest.substr(0, end));
    if (line.rfind("Stream #", 0) == 0 && ContainsText(line, ": Video:") &&
        !ContainsText(line, "(attached pic)"))
      return true;
    if (end == kNotFound) break;
    rest.remove_prefix(end + 1);
  }
  return false;
}

}  // namespace calmora
