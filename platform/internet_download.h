// Downloads over the internet library: one whole http, https or ftp resource handed block by
// block to a byte sink, with progress, a stop request and a clear reason for every failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace calmora::platform {

// The agent text every download announces itself with.
inline constexpr const char* kDownloadAgent = "Mozilla/4.*";
// Redirects a download follows (between http and https only) before it gives up.
inline constexpr int32_t kDownloadMaxRedirects = 10;
// Bytes the library hands over at most at once: the size of one block.
inline constexpr int32_t kDownloadBlockSize = 65536;
// The most a download keeps unless its caller says otherwise: 2 GiB - 1, the largest piece one
// stream transfer moves, so nothing larger could be loaded as one resource anyway.
inline constexpr int64_t kDownloadMaxBytes = 0x7FFFFFFF;
// The lowest transfer rate a download may keep up over a whole stall window
// (InternetStallMilliseconds): a server that trickles a byte now and then, never quite silent,
// is given up like a silent one instead of holding the caller for ever. Judged over whole
// windows one after the other, from the start of the request.
inline constexpr int32_t kDownloadLowestBytesPerSecond = 1024;

// A proxy for the download; an empty Address goes direct, whatever the environment's proxy
// variables (http_proxy, https_proxy, all_proxy ...) say. User and Password authenticate at
// the proxy, and the address's own credentials are then not sent anywhere.
struct DownloadProxy {
  std::string Address;
  std::string User;
  std::string Password;
};

struct DownloadHandlers {
  // Takes each block as it arrives; false (the bytes could not be kept) ends the download as
  // a failure.
  std::function<bool(const uint8_t* Data, size_t Size)> WriteBytes;
  // Called after each block when the server announced a positive length, with
  // DownloadPercent of the bytes so far. May be empty.
  std::function<void(int32_t Percent)> Progress;
  // Asked after each block and while waiting; true stops the download as a failure. May be
  // empty.
  std::function<bool()> StopRequested;
  // Told once, before the first block, the length the server announced when it is positive (and
  // within MaxBytes), so the sink can make room for the whole body in one step; false (no room)
  // ends the download as a failure. May be empty.
  std::function<bool(int64_t Length)> ExpectLength;
  // The most bytes the download keeps: an announced length beyond it is refused before the
  // first block, and a body that grows past it is stopped there. 0 or less keeps nothing.
  int64_t MaxBytes = kDownloadMaxBytes;
};

struct DownloadOutcome {
  bool Success = false;
  std::string Reason;          // why it failed; empty on success
  std::string ContentSubtype;  // http: the content type after its first "/" ("image/jpeg"
                               // gives "jpeg"); ftp: the file's lower-case extension, at most
                               // 10 characters; empty when unknown
  int64_t BytesReceived = 0;   // bytes handed to WriteBytes
};

// Fetches the address (see ParseURL for its form) with the library loaded: always from the
// network, never into a cache, over a kept-alive connection, https verifying the server's
// certificate and name. Success means every byte arrived: a status other than 2xx, fewer
// bytes than a positive announced length, more bytes (announced or received) than MaxBytes, a
// transport or ftp error, a stop request, InternetStallMilliseconds without connecting or
// without a new byte, or less than kDownloadLowestBytesPerSecond over a window of that length
// all fail, as do an address ParseURL refuses and a library that is not
// loaded. Blocks the calling thread.
DownloadOutcome DownloadURL(const std::string& URL, const DownloadProxy& Proxy,
                            const DownloadHandlers& Handlers);

// Readies Size bytes at Memory, a block a download's body is about to be written into, for
// writing in one sweep: huge pages where the system offers them on request, so filling a large
// body costs a few page faults instead of one per 4 KB. Nothing is made resident ahead (a server
// may announce far more than it sends); a block too small for it is left as it is.
void ReadyDownloadMemory(void* Memory, int64_t Size);

// The progress after received of length bytes in whole percent, rounded down: exact, so the
// last block of a whole download reports 100 (a floating-point 100 / length can land the
// product just under it); 0 for a length of 0 or less.
int32_t DownloadPercent(int64_t received, int64_t length);

}  // namespace calmora::platform
