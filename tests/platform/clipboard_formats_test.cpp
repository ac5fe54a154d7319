// The clipboard-format registry: one name, one id for the life of the process, whatever the
// letter case; distinct names get distinct ids; unknown ids have no name.
#include "platform/clipboard_formats.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

namespace calmora::platform {
namespace {

TEST(ClipboardFormatsTest, OneNameOneStableId) {
  const uint32_t first = RegisterClipboardFormat("Calmora Test Format");
  EXPECT_GE(first, FirstRegisteredClipboardFormat);
  EXPECT_LE(first, 0xFFFFu);
  EXPECT_EQ(RegisterClipboardFormat("Calmora Test Format"), first);
  EXPECT_EQ(RegisterClipboardFormat("CALMORA TEST FORMAT"), first);
  EXPECT_EQ(GetClipboardFormatName(first), "Calmora Test Format");
  const uint32_t second = RegisterClipboardFormat("Calmora Other Format");
  EXPECT_NE(second, first);
  EXPECT_EQ(ClipboardFormatMimeType(first), "application/x-calmora-Calmora-Test-Format");
}

TEST(ClipboardFormatsTest, EmptyNamesAndUnknownIds) {
  EXPECT_EQ(RegisterClipboardFormat(""), 0u);
  EXPECT_EQ(GetClipboardFormatName(0), "");
  EXPECT_EQ(GetClipboardFormatName(1), "");
  EXPECT_EQ(GetClipboardFormatName(0xFFFF), "");
  EXPECT_EQ(ClipboardFormatMimeType(0xFFFF), "");
}

TEST(ClipboardFormatsTest, ThreadsRegisteringOneNameGetOneId) {
  std::vector<uint32_t> ids(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < ids.size(); ++i)
    threads.emplace_back([&ids, i] { ids[i] = RegisterClipboardFormat("Shared Name"); });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(std::set<uint32_t>(ids.begin(), ids.end()).size(), 1u);
}

}  // namespace
}  // namespace calmora::platform
