// Waiting for engine output while the GUI keeps running: the wait wakes for pipe data,
// for GUI events and for the time-out; without an application it is a plain poll.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <chrono>

#include "platform/message_pump.h"
#include "tests/support/own_process.h"

namespace calmora::platform {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

class Pipe {
 public:
  Pipe() { EXPECT_EQ(::pipe(fds_), 0); }
  ~Pipe() {
    ::close(fds_[0]);
    ::close(fds_[1]);
  }
  int ReadEnd() const { return fds_[0]; }
  void Write() { EXPECT_EQ(::write(fds_[1], "x", 1), 1); }

 private:
  int fds_[2] = {-1, -1};
};

TEST(MessagePumpTest, WithoutApplicationDataEndsTheWait) {
  if (!test::InOwnProcess()) return;  // with or without an application object of its own
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  Pipe pipe;
  pipe.Write();
  const auto start = Clock::now();
  WaitForDataOrEvents(pipe.ReadEnd(), 60000);
  EXPECT_LT(SecondsSince(start), 30.0);
  ProcessMessages();  // nothing to pump, nothing happens
}

TEST(MessagePumpTest, WithoutApplicationTheTimeOutEndsTheWait) {
  if (!test::InOwnProcess()) return;  // with or without an application object of its own
  Pipe pipe;
  const auto start = Clock::now();
  WaitForDataOrEvents(pipe.ReadEnd(), 20);
  EXPECT_GE(SecondsSince(start), 0.015);
  WaitForDataOrEvents(-1, 1);
}

TEST(MessagePumpTest, WithApplicationDataAnEventOrTheTimeOutEndTheWait) {
  if (!test::InOwnProcess()) return;  // with or without an application object of its own
  int argc = 1;
  char name[] = "pump_test";
  char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  Pipe pipe;

  // Pipe data wakes the wait long before its time-out.
  pipe.Write();
  auto start = Clock::now();
  WaitForDataOrEvents(pipe.ReadEnd(), 60000);
  EXPECT_LT(SecondsSince(start), 30.0);
  char byte;
  ASSERT_EQ(::read(pipe.ReadEnd(), &byte, 1), 1);

  // A GUI event is handled during the wait and ends it.
  bool fired = false;
  QTimer::singleShot(20, [&fired] { fired = true; });
  start = Clock::now();
  while (!fired && SecondsSince(start) < 30.0) WaitForDataOrEvents(pipe.ReadEnd(), 60000);
  EXPECT_TRUE(fired);

  // Nothing at all: the time-out ends it.
  start = Clock::now();
  WaitForDataOrEvents(pipe.ReadEnd(), 20);
  EXPECT_LT(SecondsSince(start), 30.0);

  // Posted work is done by the pump.
  bool posted = false;
  QMetaObject::invokeMethod(
      &application, [&posted] { posted = true; }, Qt::QueuedConnection);
  ProcessMessages();
  EXPECT_TRUE(posted);
}

TEST(MessagePumpTest, OneWaiterServesManyWaits) {
  if (!test::InOwnProcess()) return;  // with or without an application object of its own
  int argc = 1;
  char name[] = "pump_test";
  char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  Pipe pipe;
  DataOrEventWaiter waiter;
  char byte;

  // Data wakes every wait, also after the notifier has fired before and after a wait that
  // watched no fd at all.
  for (int round = 0; round < 3; ++round) {
    pipe.Write();
    const auto start = Clock::now();
    waiter.Wait(pipe.ReadEnd(), 60000);
    EXPECT_LT(SecondsSince(start), 30.0) << round;
    ASSERT_EQ(::read(pipe.ReadEnd(), &byte, 1), 1);
    waiter.Wait(-1, 1);
  }

  // Data left unread while other event loops run between waits is still seen by the
  // next wait.
  pipe.Write();
  waiter.Wait(pipe.ReadEnd(), 60000);
  ProcessMessages();
  ProcessMessages();
  auto start = Clock::now();
  waiter.Wait(pipe.ReadEnd(), 60000);
  EXPECT_LT(SecondsSince(start), 30.0);
  ASSERT_EQ(::read(pipe.ReadEnd(), &byte, 1), 1);

  // With nothing to read the time-out still ends each wait, and a GUI event is handled.
  bool fired = false;
  QTimer::singleShot(20, [&fired] { fired = true; });
  start = Clock::now();
  while (!fired && SecondsSince(start) < 30.0) waiter.Wait(pipe.ReadEnd(), 5);
  EXPECT_TRUE(fired);
  waiter.Wait(pipe.ReadEnd(), 1);
}

}  // namespace
}  // namespace calmora::platform
