// Message boxes seen through the test hook: what was asked, nested logs, the simple box's title.
#include "platform/message_box.h"

#include <gtest/gtest.h>

#include "platform/application.h"
#include "tests/support/own_process.h"

namespace calmora::platform {
namespace {

TEST(MessageBoxTest, LogRecordsRequestsAndAnswersOk) {
  MessageBoxLog log;
  EXPECT_EQ(MessageBox(nullptr, "Please add files at first!", "Error", MessageIcon::kError), kIdOk);
  ASSERT_EQ(log.Requests().size(), 1u);
  const MessageBoxRequest& request = log.Requests().front();
  EXPECT_EQ(request.Text, "Please add files at first!");
  EXPECT_EQ(request.Title, "Error");
  EXPECT_EQ(request.Icon, MessageIcon::kError);
  EXPECT_FALSE(request.Simple);
  EXPECT_EQ(log.Texts(), std::vector<std::string>{"Please add files at first!"});
}

TEST(MessageBoxTest, SimpleMessageCarriesTheProgramsNameWithoutApplicationObject) {
  if (!test::InOwnProcess()) return;  // it needs a process without an application object
  ASSERT_EQ(Application::Instance(), nullptr);
  MessageBoxLog log;
  ShowMessage("Client program error! 002");
  ASSERT_EQ(log.Requests().size(), 1u);
  EXPECT_TRUE(log.Requests()[0].Simple);
  EXPECT_EQ(log.Requests()[0].Icon, MessageIcon::kNone);
  EXPECT_EQ(log.Requests()[0].Title, Application::ExecutableName());
  EXPECT_EQ(Application::ExecutableName(), "platform_tests");
}

TEST(MessageBoxTest, ExceptionsShowTheErrorIcon) {
  MessageBoxLog log;
  ShowException(nullptr, "Cannot open file");
  ASSERT_EQ(log.Requests().size(), 1u);
  EXPECT_EQ(log.Requests()[0].Icon, MessageIcon::kError);
  EXPECT_FALSE(log.Requests()[0].Simple);
}

TEST(MessageBoxTest, InnerLogRestoresTheOuterOne) {
  MessageBoxLog outer;
  {
    MessageBoxLog inner;
    MessageBox(nullptr, "inner", "", MessageIcon::kNone);
    EXPECT_EQ(inner.Requests().size(), 1u);
  }
  MessageBox(nullptr, "outer", "", MessageIcon::kExclamation);
  EXPECT_EQ(outer.Texts(), std::vector<std::string>{"outer"});
}

TEST(MessageBoxTest, OnRequestRunsWhileTheBoxWouldBeUp) {
  MessageBoxLog log;
  std::string seen;
  log.OnRequest = [&](const MessageBoxRequest& request) { seen = request.Text; };
  MessageBox(nullptr, "shown", "", MessageIcon::kError);
  EXPECT_EQ(seen, "shown");
}

}  // namespace
}  // namespace calmora::platform
