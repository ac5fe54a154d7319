// TPVICC loading from a memory block, a stream or a file. Each runs inside the reader
// boundary on a profile aside, which replaces this one only once it is complete, so a hostile
// profile, file or stream ends as a failed load and never as an escaping exception.
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/reader_boundary.h"
#include "imaging/base/streams/streams.h"
#include "imaging/core/color/icc.h"

namespace calmora {

namespace {

// RawSize counts in 32 bits.
constexpr int64_t kMaxProfileBytes = INT32_MAX;

// Size bytes of the source as the raw bytes of Loaded, opened. The size is checked against
// what the source holds before anything is allocated for it.
bool ReadProfile(TPVByteReader& source, int64_t size, TPVICC& loaded) {
  if (size <= 0 || size > kMaxProfileBytes || !source.CheckCount(size)) return false;
  std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
  if (!bytes || !source.Read(bytes.get(), size)) return false;
  loaded.RawProfile = std::move(bytes);
  loaded.RawSize = static_cast<int32_t>(size);
  loaded.OpenProfile();
  // Without the colour system nothing tells a damaged profile from a good one.
  return loaded.IsOpen() || !LoadColorSystemLibrary();
}

}  // namespace

void TPVICC::LoadFromBuffer(const void* Buffer, int32_t Size) {
  // Built aside, so a buffer that is this profile's own bytes stays readable throughout.
  TPVICC loaded;
  TPVProgressRecord progress;
  const bool complete = RunInReaderBoundary(progress, [&] {
    if (Buffer != nullptr && Size > 0) {
      loaded.RawProfile.reset(new (std::nothrow) uint8_t[static_cast<size_t>(Size)]);
      if (loaded.RawProfile) {
        std::memcpy(loaded.RawProfile.get(), Buffer, static_cast<size_t>(Size));
        loaded.RawSize = Size;
      }
    }
    loaded.OpenProfile();
  });
  if (!complete) {
    // Half a profile is none: this one ends empty, without texts.
    loaded.Clear();
    loaded.CprtText.clear();
    loaded.DescText.clear();
  }
  TakeOver(loaded);
}

bool TPVICC::LoadFromStream(TStream* stream, bool noLength) {
  if (stream == nullptr) return false;
  TPVICC loaded;
  TPVProgressRecord progress;
  const bool complete = RunInReaderBoundary(progress, [&] {
    TPVByteReader source(stream);
    const int64_t size = noLength ? source.Left() : int64_t{source.ReadLE<int32_t>()};
    return !source.Failed() && ReadProfile(source, size, loaded);
  });
  if (complete) TakeOver(loaded);
  return complete;
}

bool TPVICC::LoadFromFile(const std::string& fileName) {
  TPVICC loaded;
  TPVProgressRecord progress;
  const bool complete = RunInReaderBoundary(progress, [&] {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    TPVByteReader source(&file);
    return ReadProfile(source, source.Left(), loaded);
  });
  if (complete) TakeOver(loaded);
  return complete;
}

void TPVICC::TakeOver(TPVICC& loaded) {
  Clear();
  RawProfile = std::move(loaded.RawProfile);
  RawSize = loaded.RawSize;
  loaded.RawSize = 0;
  ProfileHandle = std::move(loaded.ProfileHandle);
  CprtText = std::move(loaded.CprtText);
  DescText = std::move(loaded.DescText);
}

}  // namespace calmora
