// RunInReaderBoundary: every way an operation can fail (the library's exceptions, bad_alloc,
// anything thrown, a false answer, a reader that sets the flag itself) ends as the flag set
// and one finish event; success leaves the flag false; a record without a flag is lent one.
#include "imaging/base/streams/reader_boundary.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <new>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"

namespace calmora {
namespace {

struct NotAnException {};

struct FailureCase {
  const char* what;
  std::function<bool(TPVProgressRecord&)> operation;
};
void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.what; }

// What the finish event saw, and in which order things happened.
struct Trace {
  std::vector<std::string> events;
  bool flagAtFinish = false;
};

const FailureCase kFailures[] = {
    {"library exception", [](TPVProgressRecord&) -> bool { throw Exception("bad data"); }},
    {"stream error", [](TPVProgressRecord&) -> bool { throw EReadError("Stream read error"); }},
    {"bad_alloc", [](TPVProgressRecord&) -> bool { throw std::bad_alloc(); }},
    {"standard exception", [](TPVProgressRecord&) -> bool { throw std::out_of_range("index"); }},
    {"unknown exception", [](TPVProgressRecord&) -> bool { throw NotAnException(); }},
    {"an int", [](TPVProgressRecord&) -> bool { throw 42; }},
    {"false answer", [](TPVProgressRecord&) { return false; }},
    {"reader sets the flag",
     [](TPVProgressRecord& progress) {
       *progress.Aborting = true;
       return true;
     }},
};

class ReaderBoundaryFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ReaderBoundaryFailures, EndAsTheCallersFlagAndOneFinishEvent) {
  const FailureCase& c = GetParam();
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  Trace trace;
  bool result = true;
  EXPECT_NO_THROW(result = RunInReaderBoundary(
                      progress,
                      [&] {
                        trace.events.push_back("run");
                        return c.operation(progress);
                      },
                      [&] {
                        trace.events.push_back("finish");
                        trace.flagAtFinish = aborting;
                      }));
  EXPECT_FALSE(result);
  EXPECT_TRUE(aborting);
  EXPECT_EQ(progress.Aborting, &aborting) << "the caller's flag stays in the record";
  EXPECT_EQ(trace.events, (std::vector<std::string>{"run", "finish"}));
  EXPECT_TRUE(trace.flagAtFinish) << "the finish event sees the final flag";
}

TEST_P(ReaderBoundaryFailures, ARecordWithoutAFlagIsLentOne) {
  const FailureCase& c = GetParam();
  TPVProgressRecord progress;
  bool* lent = nullptr;
  bool lentAtStart = true;
  bool flagAtFinish = false;
  const bool result = RunInReaderBoundary(
      progress,
      [&] {
        lent = progress.Aborting;
        lentAtStart = lent != nullptr && *lent;
        return c.operation(progress);
      },
      [&] { flagAtFinish = progress.Aborting != nullptr && *progress.Aborting; });
  EXPECT_FALSE(result);
  EXPECT_NE(lent, nullptr);
  EXPECT_FALSE(lentAtStart) << "the lent flag starts false";
  EXPECT_TRUE(flagAtFinish);
  EXPECT_EQ(progress.Aborting, nullptr) << "taken back afterwards";
}

INSTANTIATE_TEST_SUITE_P(EveryKind, ReaderBoundaryFailures, ::testing::ValuesIn(kFailures),
                         [](const ::testing::TestParamInfo<FailureCase>& case_info) {
                           std::string name = case_info.param.what;
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

TEST(ReaderBoundary, SuccessLeavesTheFlagFalseAndStillFinishes) {
  for (const bool withFlag : {true, false}) {
    bool aborting = false;
    TPVProgressRecord progress;
    if (withFlag) progress.Aborting = &aborting;
    int runs = 0;
    int finishes = 0;
    // A reader of the codecs' shape returns nothing; one that answers true succeeds as well.
    EXPECT_TRUE(RunInReaderBoundary(progress, [&] { ++runs; }, [&] { ++finishes; }));
    EXPECT_TRUE(RunInReaderBoundary(progress, [&] { return ++runs > 0; }, [&] { ++finishes; }));
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(finishes, 2);
    EXPECT_FALSE(aborting);
    EXPECT_EQ(progress.Aborting, withFlag ? &aborting : nullptr);
  }
}

TEST(ReaderBoundary, WithoutAFinishEventNothingElseChanges) {
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  EXPECT_FALSE(RunInReaderBoundary(progress, []() -> bool { throw std::bad_alloc(); }));
  EXPECT_TRUE(aborting);
}

TEST(ReaderBoundary, AFlagAlreadySetMeansStopAndIsNotCleared) {
  bool aborting = true;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  bool sawStop = false;
  EXPECT_FALSE(RunInReaderBoundary(progress, [&] { sawStop = *progress.Aborting; }));
  EXPECT_TRUE(sawStop);
  EXPECT_TRUE(aborting);
}

TEST(ReaderBoundary, WhatTheFinishEventThrowsIsTheCallersAndTheLentFlagIsTakenBack) {
  TPVProgressRecord progress;
  int runs = 0;
  const auto finish = [] { throw std::runtime_error("from the view"); };
  EXPECT_THROW(RunInReaderBoundary(progress, [&] { ++runs; }, finish), std::runtime_error);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(progress.Aborting, nullptr);
}

TEST(ReaderBoundary, NestedRunsKeepTheirOwnFlags) {
  // A reader that runs another one on a record of its own (EXIF's embedded TIFF, say): the
  // inner failure is the inner record's, and the outer run can still succeed.
  bool outer = false;
  TPVProgressRecord progress;
  progress.Aborting = &outer;
  bool innerResult = true;
  EXPECT_TRUE(RunInReaderBoundary(progress, [&] {
    bool inner = false;
    TPVProgressRecord nested;
    nested.Aborting = &inner;
    innerResult = RunInReaderBoundary(nested, []() -> bool { throw Exception("bad TIFF"); });
    EXPECT_TRUE(inner);
  }));
  EXPECT_FALSE(innerResult);
  EXPECT_FALSE(outer);
}

}  // namespace
}  // namespace calmora
