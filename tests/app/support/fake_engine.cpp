// The fake engine script and its recorded calls.
#include "tests/app/support/fake_engine.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "tests/support/outside_tool.h"

namespace calmora::test {

namespace {

namespace fs = std::filesystem;

// A printf format that prints exactly `bytes`: plain characters stay, everything that the
// shell's single quotes or printf would treat specially becomes an octal escape.
std::string PrintfFormat(std::string_view bytes) {
  std::string format;
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u <= 0x7e && c != '\'' && c != '%' && c != '\\') {
      format.push_back(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\%03o", u);
      format += escape;
    }
  }
  return format;
}

}  // namespace

FakeScript& FakeScript::Print(std::string_view bytes) {
  body_ += "printf '" + PrintfFormat(bytes) + "' >&2\n";
  return *this;
}

FakeScript& FakeScript::PrintToStdout(std::string_view bytes) {
  body_ += "printf '" + PrintfFormat(bytes) + "'\n";
  return *this;
}

FakeScript& FakeScript::PrintRepeated(std::string_view bytes, long count) {
  body_ += "i=0; while [ $i -lt " + std::to_string(count) + " ]; do printf '" +
           PrintfFormat(bytes) + "' >&2; i=$((i+1)); done\n";
  return *this;
}

FakeScript& FakeScript::Sleep(double seconds) {
  std::ostringstream text;
  text.imbue(std::locale::classic());
  text << "sleep " << seconds << "\n";
  body_ += text.str();
  return *this;
}

FakeScript& FakeScript::WaitUntilRead() {
  // The byte count waiting in a pipe can be asked on its write end too (FIONREAD, 0x541B
  // on Linux); Perl is part of every Debian system. Gives up after two minutes so that a
  // reader that never reads cannot hang a test.
  body_ +=
      "perl -e 'exit 0 unless -p STDERR; for (1 .. 60000) { my $n = pack(\"i\", 0); "
      "ioctl(STDERR, 0x541B, $n) or exit 0; exit 0 unless unpack(\"i\", $n); "
      "select(undef, undef, undef, 0.002); }'\n";
  return *this;
}

FakeScript& FakeScript::WaitForFile(const std::string& path) {
  // Bounded like WaitUntilRead: a handshake that never comes fails the test, not the run.
  body_ += "i=0; while [ ! -e " + ShellQuoted(path) +
           " ] && [ $i -lt 12000 ]; do sleep 0.01; i=$((i+1)); done\n";
  return *this;
}

FakeScript& FakeScript::WriteOutput(std::string_view bytes) {
  body_ += "for last; do :; done; printf '" + PrintfFormat(bytes) + "' > \"$last\"\n";
  return *this;
}

FakeScript& FakeScript::Raw(std::string_view shell) {
  body_ += std::string(shell) + "\n";
  return *this;
}

FakeScript& FakeScript::Exit(int code) {
  exitCode_ = code;
  return *this;
}

std::string FakeScript::Text() const { return body_ + "exit " + std::to_string(exitCode_) + "\n"; }

// The banner's head is also what a probe prints before the file's description.
#define CALMORA_FAKE_BANNER_HEAD                                                   \
  "ffmpeg version 5.1.9-0+deb12u1 Copyright (c) 2000-2026 the FFmpeg developers\n" \
  "  built with gcc 12 (Debian 12.2.0-14+deb12u1)\n"                               \
  "  configuration: --prefix=/usr --extra-version=0+deb12u1 --toolchain=hardened " \
  "--enable-gpl --enable-libvidstab --enable-libx264 --enable-shared\n"            \
  "  libavutil      57. 28.100 / 57. 28.100\n"                                     \
  "  libavcodec     59. 37.100 / 59. 37.100\n"                                     \
  "  libavformat    59. 27.100 / 59. 27.100\n"                                     \
  "  libavfilter     8. 44.100 /  8. 44.100\n"

const char kFakeBanner[] = CALMORA_FAKE_BANNER_HEAD
    "Hyper fast Audio and Video encoder\n"
    "usage: ffmpeg [options] [[infile options] -i infile]... {[outfile options] outfile}...\n"
    "\n"
    "Use -h to get full help or, even better, run 'man ffmpeg'\n";

std::string FakeProbeOutput(const std::string& filePath) {
  return std::string(CALMORA_FAKE_BANNER_HEAD) + "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from '" +
         filePath +
         "':\n"
         "  Metadata:\n"
         "    major_brand     : isom\n"
         "    encoder         : Lavf59.27.100\n"
         "  Duration: 00:00:12.48, start: 0.000000, bitrate: 4611 kb/s\n"
         "  Stream #0:0(und): Video: h264 (High) (avc1 / 0x31637661), yuv420p, 1280x720 "
         "[SAR 1:1 DAR 16:9], 4480 kb/s, 29.97 fps, 29.97 tbr, 30k tbn (default)\n"
         "    Metadata:\n"
         "      handler_name    : VideoHandler\n"
         "  Stream #0:1(und): Audio: aac (LC) (mp4a / 0x6134706D), 48000 Hz, stereo, fltp, "
         "125 kb/s (default)\n"
         "    Metadata:\n"
         "      handler_name    : SoundHandler\n"
         "At least one output file must be specified\n";
}

std::string FakeProgressRecord(const std::string& time, bool last) {
  return std::string("frame=   25 fps=0.0 q=-0.0 ") + (last ? "Lsize=" : "size=") +
         "N/A time=" + time + " bitrate=N/A speed=2.04x    " + (last ? "\n" : "\r");
}

FakeEngine::FakeEngine() : callsDir_(windowsDir_.File("calls")) {
  fs::create_directories(windowsDir_.File("servicecmr"));
  fs::create_directories(callsDir_);
}

FakeEngine::~FakeEngine() = default;

std::string FakeEngine::EnginePath() const { return windowsDir_.File("servicecmr/client.exe"); }

FakeEngine& FakeEngine::On(Run run, const FakeScript& script) {
  scripts_[static_cast<int>(run)] = script.Text();
  WriteScript();
  return *this;
}

FakeEngine& FakeEngine::OnEveryRun(const FakeScript& script) {
  for (std::string& text : scripts_) text = script.Text();
  WriteScript();
  return *this;
}

FakeEngine& FakeEngine::BehaveLikeWorkingEngine() {
  On(Run::kCheck, FakeScript().Print(kFakeBanner).Exit(1));
  std::string probe = FakeProbeOutput("input");
  const std::string twelve = "Duration: 00:00:12.48";
  probe.replace(probe.find(twelve), twelve.size(), "Duration: 00:00:02.00");
  On(Run::kProbe, FakeScript().Print(probe).Exit(1));
  FakeScript analysis;
  analysis.Print(std::string(kFakeBanner, 200)).Raw("printf 'motion' > client_calmora.trf");
  FakeScript transform;
  transform.Print(std::string(kFakeBanner, 200));
  // Each record waits for the one before to be read, so that each arrives in a read of
  // its own, as the real engine's records do (one every half second).
  for (const char* time : {"00:00:00.50", "00:00:01.00", "00:00:01.50"}) {
    analysis.WaitUntilRead().Print(FakeProgressRecord(time));
    transform.WaitUntilRead().Print(FakeProgressRecord(time));
  }
  analysis.WaitUntilRead().Print(FakeProgressRecord("00:00:02.00", true));
  transform.WriteOutput("stabilised video")
      .WaitUntilRead()
      .Print(FakeProgressRecord("00:00:02.00", true));
  On(Run::kAnalysis, analysis);
  On(Run::kTransform, transform);
  return *this;
}

void FakeEngine::WriteScript() {
  std::string text = "#!/bin/sh\n";
  text += "calls=" + ShellQuoted(callsDir_) + "\n";
  text += "n=$(ls \"$calls\" | wc -l)\n";
  text +=
      "if [ $# -gt 0 ]; then printf '%s\\0' \"$@\" > \"$calls/$n\"; else : > \"$calls/$n\"; fi\n";
  auto body = [this](Run run) {
    const std::string& script = scripts_[static_cast<int>(run)];
    return script.empty() ? std::string("exit 0\n") : script;
  };
  text += "if [ $# -eq 0 ]; then\n" + body(Run::kCheck) + "fi\n";
  text += "case \"$*\" in\n*vidstabdetect=*)\n" + body(Run::kAnalysis) + ";;\n";
  text += "*vidstabtransform=*)\n" + body(Run::kTransform) + ";;\nesac\n";
  text += body(Run::kProbe);
  const std::string path = EnginePath();
  std::error_code ignored;
  fs::remove(path, ignored);
  if (!WriteFileBytes(path, text) || ::chmod(path.c_str(), 0755) != 0)
    throw std::runtime_error("cannot write the fake engine");
}

bool FakeEngine::LinkRealEngine() {
  const std::string ffmpeg = ToolPath("ffmpeg");
  if (ffmpeg.empty()) return false;
  std::error_code error;
  fs::remove(EnginePath(), error);
  fs::create_symlink(ffmpeg, EnginePath(), error);
  return !error;
}

void FakeEngine::Remove() {
  std::error_code ignored;
  fs::remove(EnginePath(), ignored);
}

std::vector<std::vector<std::string>> FakeEngine::Calls() const {
  std::vector<std::pair<long, std::string>> files;
  for (const auto& entry : fs::directory_iterator(callsDir_))
    files.emplace_back(std::strtol(entry.path().filename().c_str(), nullptr, 10),
                       entry.path().string());
  std::sort(files.begin(), files.end());
  std::vector<std::vector<std::string>> calls;
  for (const auto& [number, path] : files) {
    const std::string bytes = ReadFileBytes(path);
    std::vector<std::string> arguments;
    std::size_t start = 0;
    while (start < bytes.size()) {
      const std::size_t end = bytes.find('\0', start);
      if (end == std::string::npos) break;
      arguments.push_back(bytes.substr(start, end - start));
      start = end + 1;
    }
    calls.push_back(std::move(arguments));
  }
  return calls;
}

std::vector<std::vector<std::string>> FakeEngine::CallsWith(const std::string& part) const {
  std::vector<std::vector<std::string>> found;
  for (auto& call : Calls()) {
    const bool matches = std::any_of(
        call.begin(), call.end(),
        [&part](const std::string& argument) { return argument.find(part) != std::string::npos; });
    if (matches) found.push_back(std::move(call));
  }
  return found;
}

int FakeEngine::CallCount() const {
  return static_cast<int>(
      std::distance(fs::directory_iterator(callsDir_), fs::directory_iterator()));
}

void FakeEngine::ClearCalls() {
  std::error_code ignored;
  fs::remove_all(callsDir_, ignored);
  fs::create_directories(callsDir_);
}

}  // namespace calmora::test
