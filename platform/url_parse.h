// Splitting an http, https or ftp address into the pieces the internet library is handed one by
// one: scheme, host, port, user name, password and path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace calmora::platform {

enum class UrlScheme : uint8_t { kHttp, kHttps, kFtp };

struct ParsedURL {
  UrlScheme Scheme = UrlScheme::kHttp;
  std::string Host;
  int32_t Port = 80;
  std::string User;      // empty when the address names none
  std::string Password;  // empty when the address names none
  std::string Path;      // from the first "/" after the host on, that "/" included
  friend bool operator==(const ParsedURL&, const ParsedURL&) = default;
};

// The scheme's prefix is recognised in any case. The host part ends at the first "/"; an "@" in
// it needs a ":" before the credentials are taken (user up to the first ":", password from
// there to the first "@"). A ":" left in the host part starts the port: a text that is not a
// port number gives 80, whatever the scheme, so "https://h:x/" goes to port 80. Without one,
// the scheme's own port (80, 443, 21). Nothing for another scheme, for an address without a "/"
// after the host, or for an "@" without a ":".
std::optional<ParsedURL> ParseURL(const std::string& url);

// The port a port text names: 1 to 65535 in decimal digits; anything else gives 80.
int32_t PortFromText(const std::string& text);

// The scheme's name as the internet library spells it ("http", "https", "ftp").
const char* UrlSchemeName(UrlScheme scheme);

}  // namespace calmora::platform
