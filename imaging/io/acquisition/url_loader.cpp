// The internet library's load and free, and DownloadURL: the component's wide texts, stream,
// progress event and stop flag put onto the platform's download.
#include "imaging/io/acquisition/url_loader.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <limits>

#include "imaging/io/load_save/load_save_names.h"
#include "platform/internet_download.h"
#include "platform/internet_library.h"

namespace calmora {

void* WinInetHandle = nullptr;
int64_t DownloadMaxBytes = platform::kDownloadMaxBytes;

void LoadWinInet() {
  if (WinInetHandle == nullptr) WinInetHandle = platform::LoadInternetLibrary();
}

void FreeWinInet() {
  if (WinInetHandle == nullptr) return;
  platform::FreeInternetLibrary(WinInetHandle);
  WinInetHandle = nullptr;
}

namespace {

void CloseInternetHandle(TInternetHandle& Handle) {
  if (Handle.Handle != nullptr && Handle.Close != nullptr) Handle.Close(Handle.Handle);
  Handle = {};
}

}  // namespace

void CloseInternetHandles(TInternetHandle& Internet, TInternetHandle& Connection,
                          TInternetHandle& Request) {
  CloseInternetHandle(Request);
  CloseInternetHandle(Connection);
  CloseInternetHandle(Internet);
}

bool DownloadURL(const std::u16string& URL, TStream* Stream, const std::u16string& ProxyAddress,
                 const std::u16string& ProxyUser, const std::u16string& ProxyPassword,
                 const TPVProgressEvent& Progress, TObject* Sender, bool* Aborting,
                 std::string& ContentSubtype) {
  // Without the library the I/O unit loaded there is no connection to make.
  if (WinInetHandle == nullptr || Stream == nullptr) return false;
  // The handlers run inside the library's C code, which no exception may cross: one from the
  // caller's progress event waits here and is thrown again once the library has returned.
  std::exception_ptr progressFailure;
  platform::DownloadHandlers handlers;
  handlers.WriteBytes = [Stream](const uint8_t* Data, size_t Size) {
    if (Size > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
    const auto count = static_cast<int32_t>(Size);
    try {
      return Stream->Write(Data, count) == count;
    } catch (...) {
      return false;  // a stream that cannot grow fails the download, not the program
    }
  };
  if (Progress) {
    handlers.Progress = [&](int32_t Percent) {
      if (progressFailure) return;
      try {
        Progress(Sender, Percent);
      } catch (...) {
        progressFailure = std::current_exception();
      }
    };
  }
  handlers.StopRequested = [&] {
    return progressFailure != nullptr || (Aborting != nullptr && *Aborting);
  };
  handlers.MaxBytes = DownloadMaxBytes;
  // The body is written from here on; room made for an announced length that did not all come
  // is taken back afterwards, so the stream ends where the received bytes end.
  int64_t start = 0;
  int64_t sizeBefore = 0;
  bool roomMade = false;
  try {
    start = Stream->GetPosition();
    sizeBefore = Stream->GetSize();
  } catch (...) {
    return false;
  }
  handlers.ExpectLength = [Stream, start, &roomMade](int64_t Length) {
    // Growing block by block would move a memory stream's bytes again and again: one step to
    // the announced size, then the blocks overwrite it in place.
    try {
      if (Stream->GetSize() >= start + Length) return true;
      Stream->SetSize(start + Length);
      roomMade = true;
      // A memory stream's block is readied for the fill, once it really holds the room.
      auto* memory = dynamic_cast<TCustomMemoryStream*>(Stream);
      if (memory != nullptr && memory->GetMemory() != nullptr &&
          memory->GetSize() >= start + Length)
        platform::ReadyDownloadMemory(static_cast<uint8_t*>(memory->GetMemory()) + start, Length);
      Stream->Seek(start, soBeginning);
      return Stream->GetPosition() == start;
    } catch (...) {
      return false;  // no memory for the whole body: the download fails instead of the program
    }
  };
  const platform::DownloadOutcome outcome = platform::DownloadURL(
      Utf8Of(URL), {Utf8Of(ProxyAddress), Utf8Of(ProxyUser), Utf8Of(ProxyPassword)}, handlers);
  if (roomMade) {
    try {
      const int64_t end = std::max(sizeBefore, start + outcome.BytesReceived);
      if (Stream->GetSize() > end) Stream->SetSize(end);
    } catch (...) {
      return false;
    }
  }
  if (progressFailure) std::rethrow_exception(progressFailure);
  if (!outcome.Success) return false;
  ContentSubtype = outcome.ContentSubtype;
  return true;
}

}  // namespace calmora
