// TPVList, its typed value lists and TPVRecordList: exact-size blocks, the change flag,
// deletes and copies.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/base/containers.h"

namespace calmora {
namespace {

int32_t IntAt(const TPVList& list, int32_t i) {
  int32_t v;
  std::memcpy(&v, list.GetItem(i), sizeof v);
  return v;
}

TEST(PVList, TypedListsSetTheirItemSize) {
  TPVDoubleList doubles;
  TPVIntegerList integers;
  TPVRecordList records(12);
  EXPECT_EQ(doubles.ItemSize, 8);
  EXPECT_EQ(integers.ItemSize, 4);
  EXPECT_EQ(records.ItemSize, 12);
  EXPECT_EQ(doubles.Data, nullptr);
  EXPECT_EQ(doubles.Count, 0);
  EXPECT_EQ(doubles.Changed, 0);
}

TEST(PVList, AddReturnsIndexAndCopiesItem) {
  TPVIntegerList list;
  for (int32_t v = 0; v < 5; ++v) {
    int32_t item = v * 11;
    EXPECT_EQ(list.Add(&item), v);
  }
  EXPECT_EQ(list.Count, 5);
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(IntAt(list, i), i * 11);
  EXPECT_TRUE(list.Changed & pvListItemsChanged);
}

TEST(PVList, AddOfItsOwnItemIsSafe) {
  TPVIntegerList list;
  int32_t v = 42;
  list.Add(&v);
  list.Add(list.GetItem(0));  // the source lies in the block that is replaced
  EXPECT_EQ(IntAt(list, 1), 42);
}

TEST(PVList, DeleteOutOfRangeChangesNothing) {
  TPVIntegerList list;
  int32_t v = 1;
  list.Add(&v);
  list.Changed = 0;
  uint8_t* before = list.Data;
  list.Delete(-1);
  list.Delete(1);
  EXPECT_EQ(list.Count, 1);
  EXPECT_EQ(list.Data, before);
  EXPECT_EQ(list.Changed, 0);
}

TEST(PVList, DeleteKeepsOrderOfTheOthers) {
  TPVIntegerList list;
  for (int32_t v = 0; v < 4; ++v) list.Add(&v);
  list.Changed = 0;
  list.Delete(1);
  ASSERT_EQ(list.Count, 3);
  EXPECT_EQ(IntAt(list, 0), 0);
  EXPECT_EQ(IntAt(list, 1), 2);
  EXPECT_EQ(IntAt(list, 2), 3);
  EXPECT_TRUE(list.Changed & pvListItemsChanged);
  list.Delete(0);
  list.Delete(0);
  list.Delete(0);
  EXPECT_EQ(list.Count, 0);
  EXPECT_EQ(list.Data, nullptr);
}

TEST(PVList, SetCountZeroKeepsFlagClearDropsIt) {
  TPVIntegerList list;
  int32_t v = 3;
  list.Add(&v);
  list.Changed = 0;
  list.SetCount(0);
  EXPECT_EQ(list.Count, 0);
  EXPECT_EQ(list.Data, nullptr);
  EXPECT_TRUE(list.Changed & pvListItemsChanged);
  list.Clear();
  EXPECT_EQ(list.Changed, 0);
}

TEST(PVList, SetCountKeepsLeadingItems) {
  TPVIntegerList list;
  for (int32_t v = 10; v < 15; ++v) list.Add(&v);
  list.SetCount(3);
  ASSERT_EQ(list.Count, 3);
  EXPECT_EQ(IntAt(list, 2), 12);
  list.SetCount(6);
  EXPECT_EQ(list.Count, 6);
  EXPECT_EQ(IntAt(list, 0), 10);
  list.SetCount(-2);
  EXPECT_EQ(list.Count, 0);
}

TEST(PVList, AssignCopiesItemsFlagsAndRanges) {
  TPVDoubleList source;
  for (double d : {1.5, -2.25}) source.Add(&d);
  source.RangeMin = -1;
  source.RangeMax = 9;
  source.RangeStep = 0.5;
  source.CurrentValue = 3;
  TPVDoubleList copy;
  copy.Assign(&source);
  ASSERT_EQ(copy.Count, 2);
  EXPECT_NE(copy.Data, source.Data);
  EXPECT_EQ(std::memcmp(copy.Data, source.Data, 16), 0);
  EXPECT_EQ(copy.Changed, source.Changed);
  EXPECT_EQ(copy.RangeMin, -1);
  EXPECT_EQ(copy.RangeMax, 9);
  EXPECT_EQ(copy.RangeStep, 0.5);
  EXPECT_EQ(copy.CurrentValue, 3);
  copy.Assign(nullptr);
  EXPECT_EQ(copy.Count, 2);
  copy.Assign(&copy);
  EXPECT_EQ(copy.Count, 2);
  EXPECT_EQ(*static_cast<double*>(copy.GetItem(1)), -2.25);
}

TEST(PVList, IntegerAssignFromPlainListKeepsRanges) {
  TPVRecordList plain(4);
  int32_t v = 8;
  plain.AddRecord(&v);
  TPVIntegerList list;
  list.RangeMax = 77;
  list.Assign(&plain);
  EXPECT_EQ(list.Count, 1);
  EXPECT_EQ(list.RangeMax, 77);
  list.Clear();
  EXPECT_EQ(list.RangeMax, 0);
  EXPECT_EQ(list.ItemSize, 4);
}

TEST(PVRecordList, RecordsAreConsecutive) {
  struct Record {
    uint8_t bytes[12];
  };
  TPVRecordList list(sizeof(Record));
  for (int32_t i = 0; i < 4; ++i) {
    Record r;
    std::memset(r.bytes, i + 1, sizeof r.bytes);
    EXPECT_EQ(list.AddRecord(&r), i);
  }
  EXPECT_EQ(static_cast<uint8_t*>(list.GetRecord(1)) - static_cast<uint8_t*>(list.GetRecord(0)),
            12);
  EXPECT_EQ(static_cast<uint8_t*>(list.GetRecord(3))[11], 4);
}

}  // namespace
}  // namespace calmora
