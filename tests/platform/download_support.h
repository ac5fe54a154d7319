// What the download tests share: a port nobody listens on, the bodies the loopback server
// sends, https servers with certificates of their own, and one download's deliveries collected
// for checking.
#pragma once

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QByteArray>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/internet_download.h"
#include "platform/internet_library.h"
#include "tests/platform/loopback_servers.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora::platform {

// A port nobody listens on: one the system just handed out and took back.
inline int32_t DeadPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof(address);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(fd);
  return ntohs(address.sin_port);
}

inline std::string ServedBody(int64_t size) {
  std::string body(static_cast<size_t>(size), '\0');
  for (int64_t i = 0; i < size; ++i)
    body[static_cast<size_t>(i)] = static_cast<char>(test::ServedByte(i));
  return body;
}

inline std::string BasicAuthorization(const std::string& user, const std::string& password) {
  return "Basic " + QByteArray::fromStdString(user + ":" + password).toBase64().toStdString();
}

// A self-signed certificate for altName ("IP:127.0.0.1", "DNS:name") and its key, made by
// openssl in the folder as <stem>.pem and <stem>.key; the certificate is its own authority.
inline bool MakeCertificate(const test::ScratchFolder& folder, const std::string& stem,
                            const std::string& altName) {
  const test::ToolResult made = test::RunTool(
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj "
      "/CN=calmora-test -addext " +
      test::ShellQuoted("subjectAltName=" + altName) + " -keyout " +
      test::ShellQuoted(folder.File(stem + ".key")) + " -out " +
      test::ShellQuoted(folder.File(stem + ".pem")));
  EXPECT_EQ(made.Status, 0) << made.Output;
  return made.Status == 0;
}

// The loopback http server over TLS with a new certificate for altName (see MakeCertificate);
// null when openssl failed.
inline std::unique_ptr<test::LoopbackServer> ServeHttps(const test::ScratchFolder& keys,
                                                        const std::string& stem,
                                                        const std::string& altName) {
  if (!MakeCertificate(keys, stem, altName)) return nullptr;
  auto server = std::make_unique<test::LoopbackServer>(
      test::kHttpServerScript, test::ShellQuoted(keys.File(stem + ".pem")) + " " +
                                   test::ShellQuoted(keys.File(stem + ".key")));
  EXPECT_GT(server->Port(), 0) << server->Output();
  return server;
}

// What one download delivered to its handlers.
struct Delivery {
  DownloadOutcome Outcome;
  std::string Bytes;
  std::vector<int32_t> Progress;
};

inline Delivery Fetch(const std::string& url, const DownloadProxy& proxy = {},
                      std::function<bool()> stop = {}) {
  Delivery delivery;
  DownloadHandlers handlers;
  handlers.WriteBytes = [&](const uint8_t* data, size_t size) {
    delivery.Bytes.append(reinterpret_cast<const char*>(data), size);
    return true;
  };
  handlers.Progress = [&](int32_t percent) { delivery.Progress.push_back(percent); };
  handlers.StopRequested = std::move(stop);
  delivery.Outcome = DownloadURL(url, proxy, handlers);
  return delivery;
}

// For a scope: the environment's proxies kept away from the loopback servers, and stalls given
// up after five seconds rather than thirty (a loaded machine can take a second or more to
// finish a TLS handshake on the loopback server).
class LoopbackDownloadScope {
 private:
  test::ScopedEnvironmentVariable noHttpProxy_{"http_proxy", std::nullopt};
  test::ScopedEnvironmentVariable noHttpsProxy_{"https_proxy", std::nullopt};
  test::ScopedEnvironmentVariable noAllProxy_{"all_proxy", std::nullopt};
  test::ScopedOverride<int32_t> shortStall_{InternetStallMilliseconds, 5000};
};

// The library loaded for the suite, in a LoopbackDownloadScope.
class DownloadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Module = LoadInternetLibrary(); }
  static void TearDownTestSuite() { FreeInternetLibrary(Module); }
  void SetUp() override {
    ASSERT_NE(Module, nullptr);
    CALMORA_REQUIRE_TOOL(test::kPython);
  }

  static inline void* Module = nullptr;
  LoopbackDownloadScope loopbackScope_;
};

}  // namespace calmora::platform
