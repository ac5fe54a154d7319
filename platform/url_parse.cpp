// The address split of url_parse.h.
#include "platform/url_parse.h"

#include <array>
#include <cctype>

namespace calmora::platform {
namespace {

struct SchemeEntry {
  const char* Prefix;
  UrlScheme Scheme;
  int32_t DefaultPort;
};

constexpr std::array<SchemeEntry, 3> kSchemes{{
    {"http://", UrlScheme::kHttp, 80},
    {"https://", UrlScheme::kHttps, 443},
    {"ftp://", UrlScheme::kFtp, 21},
}};

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  return true;
}

// The port of an unreadable port text: the address still goes somewhere predictable rather
// than failing, as it always has.
constexpr int32_t kFallbackPort = 80;

}  // namespace

int32_t PortFromText(const std::string& text) {
  if (text.empty() || text.size() > 5) return kFallbackPort;
  int32_t port = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return kFallbackPort;
    port = port * 10 + (c - '0');
  }
  return port >= 1 && port <= 65535 ? port : kFallbackPort;
}

const char* UrlSchemeName(UrlScheme scheme) {
  switch (scheme) {
    case UrlScheme::kHttp:
      return "http";
    case UrlScheme::kHttps:
      return "https";
    case UrlScheme::kFtp:
      return "ftp";
  }
  return "";
}

std::optional<ParsedURL> ParseURL(const std::string& url) {
  const SchemeEntry* entry = nullptr;
  for (const SchemeEntry& candidate : kSchemes)
    if (StartsWithNoCase(url, candidate.Prefix)) entry = &candidate;
  if (entry == nullptr) return std::nullopt;
  const std::string rest = url.substr(std::string(entry->Prefix).size());
  const size_t slash = rest.find('/');
  if (slash == std::string::npos) return std::nullopt;

  ParsedURL parsed;
  parsed.Scheme = entry->Scheme;
  parsed.Path = rest.substr(slash);
  std::string hostPart = rest.substr(0, slash);
  const size_t at = hostPart.find('@');
  if (at != std::string::npos) {
    const size_t colon = hostPart.find(':');
    if (colon == std::string::npos) return std::nullopt;
    parsed.User = hostPart.substr(0, colon);
    // A ":" after the "@" leaves no password text between them.
    if (colon < at) parsed.Password = hostPart.substr(colon + 1, at - colon - 1);
    hostPart = hostPart.substr(at + 1);
  }
  const size_t portColon = hostPart.find(':');
  if (portColon != std::string::npos) {
    parsed.Port = PortFromText(hostPart.substr(portColon + 1));
    parsed.Host = hostPart.substr(0, portColon);
  } else {
    parsed.Port = entry->DefaultPort;
    parsed.Host = hostPart;
  }
  return parsed;
}

}  // namespace calmora::platform
