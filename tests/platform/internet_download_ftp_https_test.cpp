// Downloads over ftp (pyftpdlib) and https (a certificate made by openssl for the test): the
// file's bytes and extension, credentials, a transfer that breaks off, and certificate trust.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/internet_download.h"
#include "platform/internet_library.h"
#include "tests/platform/download_support.h"
#include "tests/platform/loopback_servers.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora::platform {
namespace {

using test::LoopbackServer;

class FtpDownloadTest : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    ASSERT_GT(Ftp.Port(), 0) << Ftp.Output();
    ASSERT_TRUE(test::WriteFileBytes(Ftp.Folder().File("Picture.GIF"), ServedBody(300000)));
    ASSERT_TRUE(test::WriteFileBytes(Ftp.Folder().File("cut.png"), ServedBody(300000)));
  }
  std::string Address(const std::string& credentials, const std::string& path) const {
    return "ftp://" + credentials + "127.0.0.1:" + std::to_string(Ftp.Port()) + path;
  }
  LoopbackServer Ftp{test::kFtpServerScript};
};

TEST_F(FtpDownloadTest, TheFileArrivesWholeWithItsExtensionAsSubtype) {
  for (const std::string& credentials : {std::string(""), std::string("user:secret@")}) {
    const Delivery delivery = Fetch(Address(credentials, "/Picture.GIF"));
    ASSERT_TRUE(delivery.Outcome.Success) << credentials << delivery.Outcome.Reason;
    EXPECT_TRUE(delivery.Bytes == ServedBody(300000));
    EXPECT_EQ(delivery.Outcome.ContentSubtype, "gif");
    EXPECT_TRUE(delivery.Progress.empty());
  }
}

TEST_F(FtpDownloadTest, AWrongPasswordAMissingFileAndABrokenTransferFailSayingWhy) {
  const std::pair<std::string, const char*> cases[] = {
      {Address("user:wrong@", "/Picture.GIF"), "Login denied"},
      {Address("", "/absent.gif"), "not found"},
      {Address("", "/cut.png"), "partial"},
  };
  for (const auto& [url, reason] : cases) {
    const Delivery delivery = Fetch(url);
    EXPECT_FALSE(delivery.Outcome.Success) << url;
    EXPECT_NE(delivery.Outcome.Reason.find(reason), std::string::npos)
        << url << ": " << delivery.Outcome.Reason;
  }
}

class HttpsDownloadTest : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    CALMORA_REQUIRE_TOOL("openssl");
  }
  std::unique_ptr<LoopbackServer> Serve(const std::string& stem, const std::string& altName) {
    return ServeHttps(keys_, stem, altName);
  }
  std::string Authority(const std::string& stem) const { return keys_.File(stem + ".pem"); }

  test::ScratchFolder keys_{"calmora-keys"};
};

TEST_F(HttpsDownloadTest, AnUnknownAuthorityIsRefusedUntilTrusted) {
  const auto server = Serve("loopback", "IP:127.0.0.1");
  ASSERT_TRUE(server);
  const std::string url = "https://127.0.0.1:" + std::to_string(server->Port()) + "/whole?n=100000";
  const Delivery refused = Fetch(url);
  EXPECT_FALSE(refused.Outcome.Success);
  EXPECT_NE(refused.Outcome.Reason.find("certificate"), std::string::npos)
      << refused.Outcome.Reason;
  EXPECT_EQ(refused.Bytes, "");

  test::ScopedOverride<std::string> trusted(InternetExtraAuthorityFile, Authority("loopback"));
  const Delivery accepted = Fetch(url);
  ASSERT_TRUE(accepted.Outcome.Success) << accepted.Outcome.Reason;
  EXPECT_TRUE(accepted.Bytes == ServedBody(100000));
  EXPECT_EQ(accepted.Progress.back(), 100);
}

TEST_F(HttpsDownloadTest, ATrustedCertificateForAnotherNameIsRefused) {
  const auto server = Serve("elsewhere", "DNS:elsewhere.invalid");
  ASSERT_TRUE(server);
  test::ScopedOverride<std::string> trusted(InternetExtraAuthorityFile, Authority("elsewhere"));
  const Delivery refused = Fetch("https://127.0.0.1:" + std::to_string(server->Port()) + "/whole");
  EXPECT_FALSE(refused.Outcome.Success);
  EXPECT_FALSE(refused.Outcome.Reason.empty());
  EXPECT_EQ(refused.Bytes, "");
}

}  // namespace
}  // namespace calmora::platform
