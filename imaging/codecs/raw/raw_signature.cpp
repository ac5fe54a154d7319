// The camera raw content test: LibRaw's identification, run by the helper program
// calmora_raw_identify over the stream's bytes, which it reads piece by piece from here.
//
// LibRaw's parsers can be driven out of bounds by hostile files (seen with damaged TIFF
// directories), and content detection is exactly where unknown bytes meet them, so they run in
// a process of their own. That process is a small program kept between questions (not a copy
// of the caller), so a question costs the same whatever the caller's size. A helper that
// crashes or hangs, or one that is missing, means "not a camera's file".
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/base/streams/stream_peek.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/raw/raw_codec.h"
#include "platform/isolated_helper.h"

namespace calmora {

namespace {

// Far beyond what reading a camera file's headers takes, even on a loaded machine.
constexpr int32_t kIdentificationTimeoutMs = 20000;

// No camera writes a raw file this small (headers and a thumbnail alone take more), so below
// it the identification is not worth asking: most unknown content is small.
constexpr int64_t kSmallestCameraFile = 4096;

constexpr const char* kHelperName = "calmora_raw_identify";
// Names another helper program (tests point it at a missing one).
constexpr const char* kHelperVariable = "CALMORA_RAW_IDENTIFY";

std::string FolderOfThisProgram() {
  char path[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "";
  const std::string program(path, static_cast<size_t>(length));
  const size_t slash = program.rfind('/');
  return slash == std::string::npos ? std::string() : program.substr(0, slash);
}

// The helper: the one the environment names; else one installed beside the running program;
// else the one this build made.
std::string HelperProgram() {
  if (const char* named = std::getenv(kHelperVariable); named != nullptr && named[0] != '\0')
    return named;
  static const std::string found = [] {
    const std::string beside = FolderOfThisProgram() + "/" + kHelperName;
    if (::access(beside.c_str(), X_OK) == 0) return beside;
    return std::string(CALMORA_RAW_IDENTIFY_PATH);
  }();
  return found;
}

}  // namespace

bool IsCameraRawStream(TStream* Stream) {
  TStreamPositionKeeper keeper(Stream);
  int64_t size = 0;
  try {
    size = Stream->GetSize() - keeper.Start();
  } catch (...) {
    return false;  // a stream that cannot even be measured holds no camera's file
  }
  if (size < kSmallestCameraFile) return false;
  const int64_t start = keeper.Start();
  // Pieces are read in place from the caller's stream, its offsets counted from where it
  // stood; a read that raises ends the content there (AskHelper catches it), and the keeper
  // puts the position back all the same.
  const platform::HelperContentReader read = [Stream, start](int64_t Offset, uint8_t* Buffer,
                                                            int64_t Count) -> int64_t {
    if (Stream->Seek(start + Offset, soBeginning) != start + Offset) return 0;
    int64_t done = 0;
    while (done < Count) {
      const int32_t got = Stream->Read(Buffer + done, static_cast<int32_t>(Count - done));
      if (got <= 0) break;
      done += got;
    }
    return done;
  };
  return platform::AskHelper({HelperProgram()}, size, read, kIdentificationTimeoutMs)
      .value_or(false);
}

}  // namespace calmora
