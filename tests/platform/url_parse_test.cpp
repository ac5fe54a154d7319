// The address split: scheme, credentials, host, port and path, and the addresses refused.
#include "platform/url_parse.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace calmora::platform {
namespace {

struct ParseCase {
  const char* URL;
  std::optional<ParsedURL> Expected;
};

ParsedURL Address(UrlScheme scheme, const char* host, int32_t port, const char* path,
                  const char* user = "", const char* password = "") {
  return ParsedURL{scheme, host, port, user, password, path};
}

TEST(UrlParseTest, SplitsEachAddressIntoItsParts) {
  using enum UrlScheme;
  const ParseCase cases[] = {
      {"http://example.com/a/b.jpg", Address(kHttp, "example.com", 80, "/a/b.jpg")},
      {"https://example.com/x", Address(kHttps, "example.com", 443, "/x")},
      {"ftp://example.com/pub/p.gif", Address(kFtp, "example.com", 21, "/pub/p.gif")},
      {"HTTP://Example.com/", Address(kHttp, "Example.com", 80, "/")},
      {"HtTpS://h/", Address(kHttps, "h", 443, "/")},
      {"http://h:8080/p?q=1", Address(kHttp, "h", 8080, "/p?q=1")},
      {"http://user:secret@h:81/p", Address(kHttp, "h", 81, "/p", "user", "secret")},
      {"ftp://user:secret@h/f", Address(kFtp, "h", 21, "/f", "user", "secret")},
      {"http://user:@h/p", Address(kHttp, "h", 80, "/p", "user", "")},
      {"http://:pw@h/p", Address(kHttp, "h", 80, "/p", "", "pw")},
      // The password runs to the first "@"; the rest of the host part is the host.
      {"http://u:p@q@h/p", Address(kHttp, "q@h", 80, "/p", "u", "p")},
      // A ":" only after the "@" leaves no password, and the host part keeps its port.
      {"http://u@h:82/p", Address(kHttp, "h", 82, "/p", "u@h", "")},
      // The path starts at the first "/", so a "/" inside would-be credentials ends the host.
      {"http://u:p/w@h/p", Address(kHttp, "u", 80, "/w@h/p")},
      // An unreadable port gives 80 for every scheme.
      {"http://h:x/p", Address(kHttp, "h", 80, "/p")},
      {"https://h:x/p", Address(kHttps, "h", 80, "/p")},
      {"ftp://h:/p", Address(kFtp, "h", 80, "/p")},
      {"https://h:0/p", Address(kHttps, "h", 80, "/p")},
      {"https://h:65536/p", Address(kHttps, "h", 80, "/p")},
      {"https://h:-443/p", Address(kHttps, "h", 80, "/p")},
      {"https://h:65535/p", Address(kHttps, "h", 65535, "/p")},
      {"http://h:1:2/p", Address(kHttp, "h", 80, "/p")},
      {"http:///p", Address(kHttp, "", 80, "/p")},
      // Refused: no "/" after the host, an "@" without a ":", another scheme.
      {"http://example.com", std::nullopt},
      {"ftp://user@h/f", std::nullopt},
      {"file:///etc/passwd", std::nullopt},
      {"gopher://h/", std::nullopt},
      {"http:/h/p", std::nullopt},
      {"", std::nullopt},
  };
  for (const ParseCase& c : cases) EXPECT_EQ(ParseURL(c.URL), c.Expected) << c.URL;
}

TEST(UrlParseTest, PortTextsOfEveryLength) {
  for (int32_t port = 0; port <= 70000; ++port) {
    const int32_t expected = port >= 1 && port <= 65535 ? port : 80;
    ASSERT_EQ(PortFromText(std::to_string(port)), expected) << port;
  }
  for (const char* text : {"", " 81", "81 ", "+81", "0x50", "$50", "8.1", "000081"})
    EXPECT_EQ(PortFromText(text), 80) << text;
  EXPECT_EQ(PortFromText("00081"), 81);
}

}  // namespace
}  // namespace calmora::platform
