// Splitting the text of notification 75 into fields.
#include "client/notify_fields.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "util/memory.h"

namespace {

using zv::NotifyFields;

std::vector<std::string> All(const NotifyFields* f) {
  std::vector<std::string> out;
  for (char* field : f->fields)
    if (field != nullptr) out.push_back(field);
  for (uint32_t i = 0; i < f->moreCount; ++i) out.push_back(f->more[i]);
  return out;
}

std::string Joined(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += (i ? "\x1E" : "") + std::to_string(i);
  return text;
}

TEST(NotifyFields, TwoFieldsFillTheFirstSlots) {
  NotifyFields* f = zv::NotifyFieldsSplit(
      "a\x1E"
      "b");
  ASSERT_NE(f, nullptr);
  EXPECT_STREQ(f->fields[0], "a");
  EXPECT_STREQ(f->fields[1], "b");
  for (int i = 2; i < 6; ++i) EXPECT_EQ(f->fields[i], nullptr);
  EXPECT_EQ(f->moreCount, 0u);
  EXPECT_EQ(f->more, nullptr);
  zv::NotifyFieldsFree(f);
}

TEST(NotifyFields, EmptyAndNullTextsGiveOneEmptyField) {
  for (const char* text : {"", static_cast<const char*>(nullptr)}) {
    NotifyFields* f = zv::NotifyFieldsSplit(text);
    ASSERT_NE(f, nullptr);
    EXPECT_STREQ(f->fields[0], "");
    EXPECT_EQ(f->fields[1], nullptr);
    EXPECT_EQ(f->moreCount, 0u);
    zv::NotifyFieldsFree(f);
  }
}

TEST(NotifyFields, EmptyFieldsAreKeptIncludingATrailingOne) {
  NotifyFields* f = zv::NotifyFieldsSplit(
      "\x1E"
      "x\x1E\x1E");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(All(f), (std::vector<std::string>{"", "x", "", ""}));
  zv::NotifyFieldsFree(f);
}

TEST(NotifyFields, FieldsAfterTheSixthGoToMoreInOrder) {
  for (int count : {1, 6, 7, 8, 22, 40, 1000}) {
    std::string text = Joined(count);
    NotifyFields* f = zv::NotifyFieldsSplit(text.c_str());
    ASSERT_NE(f, nullptr);
    std::vector<std::string> expected;
    for (int i = 0; i < count; ++i) expected.push_back(std::to_string(i));
    EXPECT_EQ(All(f), expected) << count;
    EXPECT_EQ(f->moreCount, count > 6 ? uint32_t(count - 6) : 0u);
    EXPECT_EQ(f->more == nullptr, count <= 6);
    zv::NotifyFieldsFree(f);
  }
}

// The heap refuses its n-th request (the record, a field, the growth of `more`); live counts
// the blocks not given back.
int RequestsLeft = 0;
int Live = 0;
int Frees = 0;
void* Counted(void* block) {
  Live += block != nullptr;
  return block;
}
void* Alloc(size_t n) {
  return --RequestsLeft == 0 ? nullptr : Counted(std::malloc(n));
}
void* AllocZeroed(size_t n, size_t size) {
  return --RequestsLeft == 0 ? nullptr : Counted(std::calloc(n, size));
}
void* Realloc(void* block, size_t n) {
  if (--RequestsLeft == 0) return nullptr;
  Live -= block != nullptr;
  return Counted(std::realloc(block, n));
}
void Free(void* block) {
  ++Frees;
  Live -= block != nullptr;
  std::free(block);
}

TEST(NotifyFields, RunningOutOfMemoryAnywhereGivesNothingAndLeaksNothing) {
  const std::string text = Joined(8);  // the record, 8 fields and one growth of `more`: 10 requests
  zv::ClientAllocator counted = {Alloc, AllocZeroed, Realloc, Free};
  zv::ClientAllocator previous = zv::SetClientAllocator(&counted);
  zv::NotifyFieldsFree(nullptr);  // no record: nothing is handed to the heap
  EXPECT_EQ(Frees, 0);
  for (int refused = 1; refused <= 10; ++refused) {
    RequestsLeft = refused;
    Live = 0;
    EXPECT_EQ(zv::NotifyFieldsSplit(text.c_str()), nullptr) << refused;
    EXPECT_EQ(Live, 0) << refused;
  }
  RequestsLeft = 11;
  NotifyFields* f = zv::NotifyFieldsSplit(text.c_str());
  ASSERT_NE(f, nullptr);
  zv::NotifyFieldsFree(f);
  EXPECT_EQ(Live, 0);
  zv::SetClientAllocator(&previous);
}

}  // namespace
