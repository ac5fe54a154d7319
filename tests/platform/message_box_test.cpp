// Message boxes seen through the test hook: what was asked, nested logs, the simple box's title.
#include "platform/message_box.h"

#include <gtest/gtest.h>

#include "platform/application.h"

namespace calmora::platform {
namespace {

TEST(MessageBoxTest, LogRecordsRequestsAndAnswersOk) {
  MessageBoxLog log;
  EXPECT_EQ(MessageBox(nullptr, "Please add files at first!", "Error", MessageIcon::Error), kIdOk);
  ASSERT_EQ(log.Requests().size(), 1u);
  const MessageBoxRequest& request = log.Requests().front();
  EXPECT_EQ(request.text, "Please add files at first!");
  EXPECT_EQ(request.title, "Error");
  EXPECT_EQ(request.icon, MessageIcon::Error);
  EXPECT_FALSE(request.simple);
  EXPECT_EQ(log.Texts(), std::vector<std::string>{"Please add files at first!"});
}

TEST(MessageBoxTest, SimpleMessageCarriesTheProgramsNameWithoutApplicationObject) {
  ASSERT_EQ(Application::Instance(), nullptr);
  MessageBoxLog log;
  ShowMessage("Client program error! 002");
  ASSERT_EQ(log.Requests().size(), 1u);
  EXPECT_TRUE(log.Requests()[0].simple);
  EXPECT_EQ(log.Requests()[0].icon, MessageIcon::None);
  EXPECT_EQ(log.Requests()[0].title, Application::ExecutableName());
  EXPECT_EQ(Application::ExecutableName(), "platform_message_box_test");
}

TEST(MessageBoxTest, ExceptionsShowTheErrorIcon) {
  MessageBoxLog log;
  ShowException(nullptr, "Cannot open file");
  ASSERT_EQ(log.Requests().size(), 1u);
  EXPECT_EQ(log.Requests()[0].icon, MessageIcon::Error);
  EXPECT_FALSE(log.Requests()[0].simple);
}

TEST(MessageBoxTest, InnerLogRestoresTheOuterOne) {
  MessageBoxLog outer;
  {
    MessageBoxLog inner;
    MessageBox(nullptr, "inner", "", MessageIcon::None);
    EXPECT_EQ(inner.Requests().size(), 1u);
  }
  MessageBox(nullptr, "outer", "", MessageIcon::Exclamation);
  EXPECT_EQ(outer.Texts(), std::vector<std::string>{"outer"});
}

TEST(MessageBoxTest, OnRequestRunsWhileTheBoxWouldBeUp) {
  MessageBoxLog log;
  std::string seen;
  log.on_request = [&](const MessageBoxRequest& request) { seen = request.text; };
  MessageBox(nullptr, "shown", "", MessageIcon::Error);
  EXPECT_EQ(seen, "shown");
}

}  // namespace
}  // namespace calmora::platform
