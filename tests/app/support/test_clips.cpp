// Shaky test clips through ffmpeg's lavfi sources (see test_clips.h).
#include "tests/app/support/test_clips.h"

#include <algorithm>
#include <cmath>
#include <locale>
#include <sstream>

#include "tests/support/outside_tool.h"

namespace calmora::test {

namespace {

int VerticalShake(const ClipOptions& options) { return options.Shake * 3 / 4; }

}  // namespace

ShakeOffset ClipShake(int frame, const ClipOptions& options) {
  // The same expressions the crop filter evaluates, in the same double arithmetic.
  return {static_cast<int>(std::floor(options.Shake * std::sin(frame * 2.1))),
          static_cast<int>(std::floor(VerticalShake(options) * std::sin(frame * 1.7 + 1)))};
}

bool MakeShakyClip(const std::string& path, const ClipOptions& options, std::string* log) {
  const int margin = options.Shake + 2;
  // Coarse noise scaled up gives a texture with detail at several sizes, which the
  // motion detection can lock on; sizes stay even for 4:2:0 video.
  const int textureWidth = (options.Width + 2 * margin + 1) / 2 * 2;
  const int textureHeight = (options.Height + 2 * margin + 1) / 2 * 2;
  std::ostringstream graph;
  graph.imbue(std::locale::classic());
  graph << "color=c=gray:s=" << std::max(8, textureWidth / 6) << "x"
        << std::max(8, textureHeight / 6) << ":r=" << options.Fps << ":d=1,format=gray,"
        << "noise=alls=100:allf=u:all_seed=" << options.Seed << ","
        << "scale=" << textureWidth << "x" << textureHeight << ":flags=bicubic,"
        << "loop=loop=-1:size=1:start=0,"
        << "crop=w=" << options.Width << ":h=" << options.Height << ":x='" << margin << "+floor("
        << options.Shake << "*sin(n*2.1))':y='" << margin << "+floor(" << VerticalShake(options)
        << "*sin(n*1.7+1))'";
  std::ostringstream command;
  command.imbue(std::locale::classic());
  command << "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
          << ShellQuoted(graph.str());
  if (options.Audio) command << " -f lavfi -i sine=frequency=440:sample_rate=44100";
  command << " -t " << options.Seconds << " -pix_fmt yuv420p";
  if (options.Audio) command << " -shortest";
  command << " " << ShellQuoted(path);
  const ToolResult ffmpeg = RunTool(command.str());
  if (log != nullptr) *log = ffmpeg.Output;
  return ffmpeg.Status == 0;
}

bool ProbeWithFfprobe(const std::string& path, ProbedVideo* video) {
  const ToolResult ffprobe = RunTool(
      "ffprobe -v error -select_streams v:0 -show_entries "
      "stream=width,height:format=duration -of default=noprint_wrappers=1 " +
      ShellQuoted(path));
  if (ffprobe.Status != 0) return false;
  ProbedVideo found;
  std::istringstream lines(ffprobe.Output);
  lines.imbue(std::locale::classic());
  std::string line;
  bool hasWidth = false;
  while (std::getline(lines, line)) {
    std::istringstream value(line.substr(line.find('=') + 1));
    value.imbue(std::locale::classic());
    if (line.rfind("width=", 0) == 0) hasWidth = static_cast<bool>(value >> found.Width);
    if (line.rfind("height=", 0) == 0) value >> found.Height;
    if (line.rfind("duration=", 0) == 0) value >> found.Seconds;
  }
  if (!hasWidth || found.Width <= 0) return false;
  if (video != nullptr) *video = found;
  return true;
}

}  // namespace calmora::test
