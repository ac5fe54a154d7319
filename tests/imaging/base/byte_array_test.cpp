// TPVByteArray: its exact capacity steps and appending from a stream.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/base/containers.h"
#include "imaging/base/streams/streams.h"

namespace calmora {
namespace {

TEST(PVByteArray, CreateAllocatesOneStep) {
  TPVByteArray bytes(16);
  EXPECT_EQ(bytes.Size, 0);
  EXPECT_EQ(bytes.Capacity, 16);
  EXPECT_EQ(bytes.Step, 16);
  EXPECT_NE(bytes.Data, nullptr);
}

TEST(PVByteArray, AddByteGrowsByStep) {
  TPVByteArray bytes(4);
  const int expectedCapacity[] = {4, 4, 4, 4, 9, 9, 9, 9, 9, 14};
  for (int i = 0; i < 10; ++i) {
    bytes.AddByte(static_cast<uint8_t>(i + 1));
    EXPECT_EQ(bytes.Size, i + 1);
    EXPECT_EQ(bytes.Capacity, expectedCapacity[i]) << "after byte " << i + 1;
  }
  for (int i = 0; i < 10; ++i) EXPECT_EQ(bytes.Data[i], i + 1);
}

TEST(PVByteArray, ShrinkKeepsBlockUntilBelowCapacityMinusStep) {
  TPVByteArray bytes(4);
  for (int i = 0; i < 5; ++i) bytes.AddByte(static_cast<uint8_t>(10 + i));
  ASSERT_EQ(bytes.Capacity, 9);
  bytes.SetSize(5);  // 5 >= 9 - 4
  EXPECT_EQ(bytes.Capacity, 9);
  uint8_t* before = bytes.Data;
  bytes.SetSize(2);
  EXPECT_EQ(bytes.Size, 2);
  EXPECT_EQ(bytes.Capacity, 6);
  EXPECT_NE(bytes.Data, before);
  EXPECT_EQ(bytes.Data[0], 10);
  EXPECT_EQ(bytes.Data[1], 11);
}

TEST(PVByteArray, GrowWithinCapacityChangesOnlySize) {
  TPVByteArray bytes(8);
  uint8_t* before = bytes.Data;
  bytes.SetSize(8);
  EXPECT_EQ(bytes.Data, before);
  EXPECT_EQ(bytes.Capacity, 8);
  bytes.SetSize(9);
  EXPECT_EQ(bytes.Capacity, 17);
}

TEST(PVByteArray, NegativeSizeAndStepCountAsZero) {
  TPVByteArray bytes(-5);
  EXPECT_EQ(bytes.Step, 0);
  EXPECT_EQ(bytes.Capacity, 0);
  bytes.AddByte(1);
  bytes.AddByte(2);
  EXPECT_EQ(bytes.Capacity, 2);
  bytes.SetSize(-3);
  EXPECT_EQ(bytes.Size, 0);
  bytes.AddByte(7);
  EXPECT_EQ(bytes.Size, 1);
  EXPECT_EQ(bytes.Data[0], 7);
}

TEST(PVByteArray, AppendShorterThanAskedShrinksAndKeepsAll) {
  std::vector<uint8_t> source(10);
  for (int i = 0; i < 10; ++i) source[i] = static_cast<uint8_t>(100 + i);
  TPVMemStream stream(source.data(), 10);
  TPVByteArray bytes(4);
  bytes.AddByte(1);
  EXPECT_EQ(bytes.AppendFromStream(&stream, 100), 10);
  EXPECT_EQ(bytes.Size, 11);
  EXPECT_EQ(bytes.Capacity, 15);  // 11 < 105 - 4: back to 11 + 4
  EXPECT_EQ(bytes.Data[0], 1);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(bytes.Data[1 + i], 100 + i);
}

TEST(PVByteArray, AppendAtStreamEndReadsNothing) {
  uint8_t source[3] = {1, 2, 3};
  TPVMemStream stream(source, 3);
  stream.SetPosition(3);
  TPVByteArray bytes(4);
  bytes.AddByte(9);
  EXPECT_EQ(bytes.AppendFromStream(&stream, 50), 0);
  EXPECT_EQ(bytes.Size, 1);
  EXPECT_EQ(bytes.Data[0], 9);
  EXPECT_EQ(bytes.AppendFromStream(&stream, -4), 0);
  EXPECT_EQ(bytes.Size, 1);
}

}  // namespace
}  // namespace calmora
