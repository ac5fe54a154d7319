// The URL loader: the internet library, loaded when the I/O unit starts and freed when it
// stops, and DownloadURL, which fetches one http, https or ftp resource into a stream.
#pragma once

#include <string>

#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

// The loaded internet library; null while it is not loaded (or absent).
extern void* WinInetHandle;

// Loads the library when WinInetHandle is null; the handle stays null when it is absent.
void LoadWinInet();
// Frees a loaded library; WinInetHandle becomes null.
void FreeWinInet();

// The most bytes one download keeps: what the library could load at most as one resource (the
// largest piece a stream transfer moves). An announced length beyond it is refused at once and a
// body that grows past it is stopped there. Only tests lower it.
extern int64_t DownloadMaxBytes;

// A handle the internet library gave out and the routine that closes it; empty when not open.
struct TInternetHandle {
  void* Handle = nullptr;
  void (*Close)(void* Handle) = nullptr;
};

// Closes a download's request, then its connection, then its internet handle, each only when
// it is open, and leaves all three empty. Downloads through DownloadURL open and close their
// handles inside the platform's one call and never hand them out.
void CloseInternetHandles(TInternetHandle& Internet, TInternetHandle& Connection,
                          TInternetHandle& Request);

// Writes the resource at URL to Stream from its position on, block by block. An empty
// ProxyAddress goes direct, whatever the environment's proxy variables say; with one, ProxyUser
// and ProxyPassword authenticate at the proxy and the URL's own credentials are not sent.
// Progress (when assigned) gets Sender and the percent received after each block when the
// server announced a length; *Aborting (when given) set stops the download after the block in
// hand. True only when every byte arrived: an unknown scheme, a malformed address, no library,
// no connection, an untrusted certificate, a status other than 2xx, fewer bytes than announced,
// more bytes (announced or received) than DownloadMaxBytes, a transport or ftp error, a stall of
// 30 s, less than 1 KB a second over 30 s, a stream that cannot take the bytes or a stop all
// give false (the bytes received so far stay in Stream, and nothing after them). An announced
// length is made room for in Stream in one step before the first block. On success ContentSubtype becomes the
// content type after its "/" (http) or the file's lower-case extension (ftp); a failure leaves
// it as it was. An exception thrown by Progress is passed on once the download has ended.
bool DownloadURL(const std::u16string& URL, TStream* Stream, const std::u16string& ProxyAddress,
                 const std::u16string& ProxyUser, const std::u16string& ProxyPassword,
                 const TPVProgressEvent& Progress, TObject* Sender, bool* Aborting,
                 std::string& ContentSubtype);

}  // namespace calmora
