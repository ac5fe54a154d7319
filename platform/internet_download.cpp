// DownloadURL over libcurl: the parsed address handed to it piece by piece, the request's
// options, and the callbacks that pass blocks on and watch for stops and stalls.
#include "platform/internet_download.h"

#include <curl/curl.h>
#include <sys/mman.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <memory>

#include "platform/internet_library.h"
#include "platform/url_parse.h"

namespace calmora::platform {
namespace {

using Clock = std::chrono::steady_clock;

// The ftp file's extension as its content subtype, capped like the type texts it stands for.
constexpr size_t kMaxExtensionSubtype = 10;

// Where the system keeps the certificate authorities it trusts, one file per authority; named
// so that an extra authority file adds to the system's set instead of replacing it.
constexpr const char* kSystemAuthorityFolder = "/etc/ssl/certs";

struct EasyCleanup {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct HeaderListCleanup {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct UrlCleanup {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

std::string LowerExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string extension = path.substr(dot + 1, kMaxExtensionSubtype);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

// One download in flight: its handles, owned so that every way out releases them, and what
// the callbacks learn on the way.
class Transfer {
 public:
  Transfer(const ParsedURL& address, const DownloadHandlers& handlers)
      : address_(address), handlers_(handlers) {}

  DownloadOutcome Run(const DownloadProxy& proxy) {
    easy_.reset(curl_easy_init());
    url_.reset(curl_url());
    if (!easy_ || !url_) return Fail("the internet library could not start a download");
    if (!SetAddress()) return Fail("the address is not valid: " + address_.Host);
    SetOptions(proxy);
    lastActivity_ = Clock::now();
    rateWindowStart_ = lastActivity_;
    const CURLcode code = curl_easy_perform(easy_.get());
    // A failure the callbacks noticed says more than the library's "aborted by callback".
    if (!failure_.empty()) return Fail(failure_);
    if (code == CURLE_FILESIZE_EXCEEDED) return Fail(TooLarge(ContentLength()));
    if (code != CURLE_OK)
      return Fail(std::string(curl_easy_strerror(code)) +
                  (errorText_[0] != '\0' ? std::string(": ") + errorText_ : std::string()));
    if (!StatusIsSuccess()) return Fail(failure_);
    const int64_t length = ContentLength();
    if (length > 0 && received_ < length)
      return Fail("the connection ended after " + std::to_string(received_) + " of " +
                  std::to_string(length) + " bytes");
    DownloadOutcome outcome;
    outcome.Success = true;
    outcome.ContentSubtype = ContentSubtype();
    outcome.BytesReceived = received_;
    return outcome;
  }

 private:
  DownloadOutcome Fail(const std::string& reason) const {
    DownloadOutcome outcome;
    outcome.Reason = reason;
    outcome.BytesReceived = received_;
    return outcome;
  }

  bool IsHttp() const { return address_.Scheme != UrlScheme::kFtp; }

  // Host, port and path go to the library as separate parts, never glued back into a text
  // it would parse again (a password holding "@" or "/" cannot move the host).
  bool SetAddress() {
    const size_t query = address_.Path.find('?');
    const std::string path = address_.Path.substr(0, query);
    const std::string port = std::to_string(address_.Port);
    if (curl_url_set(url_.get(), CURLUPART_SCHEME, UrlSchemeName(address_.Scheme), 0) !=
            CURLUE_OK ||
        curl_url_set(url_.get(), CURLUPART_HOST, address_.Host.c_str(), 0) != CURLUE_OK ||
        curl_url_set(url_.get(), CURLUPART_PORT, port.c_str(), 0) != CURLUE_OK ||
        curl_url_set(url_.get(), CURLUPART_PATH, path.c_str(), 0) != CURLUE_OK)
      return false;
    if (query != std::string::npos &&
        curl_url_set(url_.get(), CURLUPART_QUERY, address_.Path.c_str() + query + 1, 0) !=
            CURLUE_OK)
      return false;
    return curl_easy_setopt(easy_.get(), CURLOPT_CURLU, url_.get()) == CURLE_OK;
  }

  void SetOptions(const DownloadProxy& proxy) {
    CURL* easy = easy_.get();
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorText_);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(easy, CURLOPT_USERAGENT, kDownloadAgent);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, static_cast<long>(kDownloadBlockSize));
    curl_easy_setopt(easy, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(InternetStallMilliseconds));
    // The library refuses an announced length beyond this before any body byte; 0 would mean
    // no bound to it, so a cap of nothing is left to TakeBlock alone.
    if (handlers_.MaxBytes > 0)
      curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                       static_cast<curl_off_t>(handlers_.MaxBytes));
    if (proxy.Address.empty()) {
      // An empty proxy text also keeps the library from taking one from the environment:
      // the only proxy a download uses is the one its caller names.
      curl_easy_setopt(easy, CURLOPT_PROXY, "");
      if (!address_.User.empty()) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, address_.User.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, address_.Password.c_str());
      }
    } else {
      curl_easy_setopt(easy, CURLOPT_PROXY, proxy.Address.c_str());
      curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, proxy.User.c_str());
      curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, proxy.Password.c_str());
    }
    if (IsHttp()) {
      curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
      curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
      curl_easy_setopt(easy, CURLOPT_MAXREDIRS, static_cast<long>(kDownloadMaxRedirects));
      curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
      // Always from the origin: no cache on the way may answer, and none is written.
      headers_.reset(curl_slist_append(nullptr, "Cache-Control: no-cache"));
      curl_slist_append(headers_.get(), "Pragma: no-cache");
      curl_slist_append(headers_.get(), "Accept:");
      curl_slist_append(headers_.get(), "Connection: keep-alive");
      curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers_.get());
    } else {
      curl_easy_setopt(easy, CURLOPT_TRANSFERTEXT, 0L);
    }
    // Certificates and names are checked (the library's default, set here so no one loosens
    // it unseen): the bytes we fetch go straight into our decoders.
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!InternetExtraAuthorityFile.empty()) {
      curl_easy_setopt(easy, CURLOPT_CAINFO, InternetExtraAuthorityFile.c_str());
      curl_easy_setopt(easy, CURLOPT_CAPATH, kSystemAuthorityFolder);
    }
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Transfer::OnWrite);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Transfer::OnWait);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
  }

  int64_t ContentLength() const {
    curl_off_t length = -1;
    if (!IsHttp() ||
        curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK)
      return -1;
    return length;
  }

  // True for a 2xx answer (and always for ftp, whose errors the library reports itself);
  // otherwise failure_ says which status came.
  bool StatusIsSuccess() {
    if (!IsHttp()) return true;
    long status = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &status);
    if (status >= 200 && status <= 299) return true;
    failure_ = "the server answered with status " + std::to_string(status);
    return false;
  }

  std::string ContentSubtype() const {
    if (!IsHttp()) return LowerExtension(address_.Path);
    const char* type = nullptr;
    curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_TYPE, &type);
    if (type == nullptr) return "";
    const char* slash = std::strchr(type, '/');
    return slash != nullptr ? std::string(slash + 1) : std::string();
  }

  static size_t OnWrite(char* data, size_t, size_t size, void* self) {
    return static_cast<Transfer*>(self)->TakeBlock(reinterpret_cast<const uint8_t*>(data), size);
  }

  size_t TakeBlock(const uint8_t* data, size_t size) {
    // The body of an error page is not the resource: stop before the sink sees it.
    if (!StatusIsSuccess()) return 0;
    const int64_t length = ContentLength();
    if (!lengthTaken_ && !TakeAnnouncedLength(length)) return 0;
    lengthTaken_ = true;
    if (static_cast<int64_t>(size) > handlers_.MaxBytes - received_) {
      failure_ = "the body passed the " + std::to_string(handlers_.MaxBytes) +
                 " bytes a download may keep";
      return 0;
    }
    if (!handlers_.WriteBytes(data, size)) {
      failure_ = "the received bytes could not be stored";
      return 0;
    }
    received_ += static_cast<int64_t>(size);
    lastActivity_ = Clock::now();
    if (length > 0 && handlers_.Progress) handlers_.Progress(DownloadPercent(received_, length));
    if (handlers_.StopRequested && handlers_.StopRequested()) {
      failure_ = "the download was stopped";
      return 0;
    }
    return size;
  }

  std::string TooLarge(int64_t length) const {
    return "the server announced " + (length > 0 ? std::to_string(length) + " bytes" : "a size") +
           ", more than the " + std::to_string(handlers_.MaxBytes) + " a download may keep";
  }

  // Before the first block: an announced length beyond the cap is refused (the library does it
  // too, but not for every protocol), and the sink hears of one within it.
  bool TakeAnnouncedLength(int64_t length) {
    if (length <= 0) return true;
    if (length > handlers_.MaxBytes) {
      failure_ = TooLarge(length);
      return false;
    }
    if (handlers_.ExpectLength && !handlers_.ExpectLength(length)) {
      failure_ = "no room for the announced " + std::to_string(length) + " bytes";
      return false;
    }
    return true;
  }

  static int OnWait(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(self)->KeepWaiting() ? 0 : 1;
  }

  bool KeepWaiting() {
    if (handlers_.StopRequested && handlers_.StopRequested()) {
      failure_ = "the download was stopped";
      return false;
    }
    const Clock::time_point now = Clock::now();
    const auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastActivity_);
    if (idle.count() > InternetStallMilliseconds) {
      failure_ = "nothing arrived for " + std::to_string(InternetStallMilliseconds) + " ms";
      return false;
    }
    return KeepsLowestRate(now);
  }

  // The rate is judged over whole windows of InternetStallMilliseconds, one after the other,
  // in milliseconds rather than the library's whole seconds so a shortened window stays exact.
  // The stall test above goes first: a window in which nothing at all arrived is a stall, so
  // each failure keeps its own reason.
  bool KeepsLowestRate(Clock::time_point now) {
    const int64_t window = InternetStallMilliseconds;
    const int64_t elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - rateWindowStart_).count();
    if (elapsed <= window) return true;
    const int64_t arrived = received_ - receivedAtWindowStart_;
    if (arrived * 1000 < int64_t{kDownloadLowestBytesPerSecond} * window) {
      failure_ = "less than " + std::to_string(kDownloadLowestBytesPerSecond) +
                 " bytes a second arrived over " + std::to_string(window) + " ms";
      return false;
    }
    rateWindowStart_ = now;
    receivedAtWindowStart_ = received_;
    return true;
  }

  const ParsedURL& address_;
  const DownloadHandlers& handlers_;
  std::unique_ptr<CURL, EasyCleanup> easy_;
  std::unique_ptr<CURLU, UrlCleanup> url_;
  std::unique_ptr<curl_slist, HeaderListCleanup> headers_;
  char errorText_[CURL_ERROR_SIZE] = {};
  std::string failure_;
  int64_t received_ = 0;
  bool lengthTaken_ = false;  // the announced length was checked and passed on
  Clock::time_point lastActivity_;
  Clock::time_point rateWindowStart_;  // where the current rate window began
  int64_t receivedAtWindowStart_ = 0;
};

}  // namespace

int32_t DownloadPercent(int64_t received, int64_t length) {
  if (length <= 0) return 0;
  if (received <= 0) return 0;
  // 128 bits: received x 100 cannot overflow whatever the server announced.
  return static_cast<int32_t>(static_cast<__int128>(received) * 100 / length);
}

void ReadyDownloadMemory(void* Memory, int64_t Size) {
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  if (Memory == nullptr || Size < static_cast<int64_t>(2 * kHugePage)) return;
  const auto start = reinterpret_cast<uintptr_t>(Memory);
  const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t end = (start + static_cast<uintptr_t>(Size)) & ~(kHugePage - 1);
  // Advice only: a system without huge pages refuses it and the block works as before.
  if (end > first) ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

DownloadOutcome DownloadURL(const std::string& URL, const DownloadProxy& Proxy,
                            const DownloadHandlers& Handlers) {
  DownloadOutcome refused;
  const std::optional<ParsedURL> address = ParseURL(URL);
  if (!address) {
    refused.Reason = "not an http, https or ftp address with a path: " + URL;
    return refused;
  }
  if (!InternetLibraryLoaded()) {
    refused.Reason = "the internet library is not loaded";
    return refused;
  }
  if (!Handlers.WriteBytes) {
    refused.Reason = "no place to store the received bytes";
    return refused;
  }
  Transfer transfer(*address, Handlers);
  return transfer.Run(Proxy);
}

}  // namespace calmora::platform
