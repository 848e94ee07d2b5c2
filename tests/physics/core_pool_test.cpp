// Pools, lists and growable arrays: capacity rules, reuse order and what
// exhaustion does.
#include <gtest/gtest.h>

#include <vector>

#include "physics/allocator.h"
#include "physics/log.h"

namespace {

struct Item {
  int payload = 7;
  Item* next = nullptr;
  Item* prev = nullptr;
  uint8_t inUse = 0;
};

// Hands out a limited number of blocks, then fails.
class LimitedAllocator : public neAllocator {
 public:
  explicit LimitedAllocator(int blocks) : left_(blocks) {}
  void* Alloc(int32_t bytes, int32_t) override {
    if (left_ <= 0) return nullptr;
    --left_;
    ++live_;
    return ::operator new(static_cast<size_t>(bytes > 0 ? bytes : 1));
  }
  void Free(void* p) override {
    --live_;
    ::operator delete(p);
  }
  int live_ = 0;

 private:
  int left_;
};

TEST(CorePool, EmptyPoolIsValidAndTakesNothing) {
  nePool<Item> pool;
  EXPECT_TRUE(pool.Init(0, nullptr));
  EXPECT_EQ(pool.Take(), nullptr);
  EXPECT_EQ(pool.TakeUnlisted(), nullptr);
  EXPECT_EQ(pool.Capacity(), 0);
  EXPECT_FALSE(pool.Contains(&pool));
}

TEST(CorePool, TakesInIndexOrderAndReusesLastReleasedFirst) {
  nePool<Item> pool;
  ASSERT_TRUE(pool.Init(4, nullptr));
  Item* items[4];
  for (int i = 0; i < 4; ++i) {
    items[i] = pool.Take();
    ASSERT_NE(items[i], nullptr);
    EXPECT_EQ(pool.IndexOf(items[i]), i);
    EXPECT_EQ(items[i]->payload, 7);  // constructed at init
  }
  EXPECT_EQ(pool.Take(), nullptr);
  EXPECT_EQ(pool.FreeCount() + pool.UsedCount(), pool.Capacity());

  pool.Release(items[1]);
  pool.Release(items[3]);
  EXPECT_FALSE(pool.Contains(items[1]));
  EXPECT_TRUE(pool.Contains(items[2]));
  EXPECT_EQ(pool.Take(), items[3]);  // LIFO
  EXPECT_EQ(pool.Take(), items[1]);
  EXPECT_EQ(pool.FreeCount(), 0);

  // The used list stays in take order and loses exactly the released record.
  pool.Release(items[0]);
  std::vector<Item*> used;
  for (Item* i = pool.UsedFirst(); i; i = i->next) used.push_back(i);
  EXPECT_EQ(used, (std::vector<Item*>{items[2], items[3], items[1]}));
}

TEST(CorePool, ReleasingWhatIsNotTakenChangesNothing) {
  nePool<Item> pool;
  ASSERT_TRUE(pool.Init(2, nullptr));
  Item* a = pool.Take();
  pool.Release(a);
  pool.Release(a);  // twice
  EXPECT_EQ(pool.FreeCount(), 2);
  EXPECT_EQ(pool.UsedCount(), 0);
  Item outside;
  EXPECT_FALSE(pool.Contains(&outside));
  EXPECT_FALSE(pool.InRange(&outside));
  // An address inside the block but not on a record boundary is no record.
  EXPECT_FALSE(pool.Contains(reinterpret_cast<char*>(a) + 1));
}

TEST(CorePool, OwnerListTakeAndRelease) {
  nePool<Item> pool;
  ASSERT_TRUE(pool.Init(3, nullptr));
  neList<Item> list;
  Item* a = pool.TakeUnlisted();
  Item* b = pool.TakeUnlisted();
  Item* c = pool.TakeUnlisted();
  list.Append(a);
  list.Append(c);
  list.InsertBefore(c, b);
  EXPECT_EQ(list.count, 3);
  EXPECT_EQ(pool.UsedFirst(), nullptr);  // owner lists are not the used list
  list.Remove(a);
  EXPECT_EQ(list.first, b);
  pool.ReleaseUnlisted(a);
  EXPECT_EQ(pool.TakeUnlisted(), a);
  list.Remove(c);
  EXPECT_EQ(list.last, b);
  EXPECT_EQ(list.count, 1);
}

TEST(CorePool, BlockThatCannotBeHadLeavesAnEmptyPool) {
  LimitedAllocator none(0);
  nePool<Item> pool;
  EXPECT_FALSE(pool.Init(10, &none));
  EXPECT_EQ(pool.Capacity(), 0);
  EXPECT_EQ(pool.Take(), nullptr);
}

TEST(CoreArray, GrowthRules) {
  struct Case {
    int32_t growth;
    int32_t expect;
  };
  for (const Case c : {Case{-1, 200}, Case{100, 200}, Case{200, 300}}) {
    neArray<int32_t> a;
    ASSERT_TRUE(a.Init(100, nullptr, c.growth));
    for (int i = 0; i < 101; ++i) ASSERT_TRUE(a.Push(i));
    EXPECT_EQ(a.Capacity(), c.expect) << c.growth;
    for (int i = 0; i < 101; ++i) EXPECT_EQ(a[i], i);
  }
}

TEST(CoreArray, FixedArrayRefusesWhenFullAndKeepsEntries) {
  neArray<int32_t> a;
  ASSERT_TRUE(a.Init(3, nullptr, 0));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(a.Push(10 + i));
  EXPECT_EQ(a.Append(), nullptr);
  EXPECT_EQ(a.Count(), 3);
  EXPECT_EQ(a[2], 12);
}

TEST(CoreArray, DoublingFromZeroCapacityStillGrows) {
  neArray<int32_t> a;
  ASSERT_TRUE(a.Init(0, nullptr, -1));
  ASSERT_TRUE(a.Push(5));
  EXPECT_GE(a.Capacity(), 1);
  ASSERT_TRUE(a.Push(6));
  EXPECT_EQ(a[0], 5);
  EXPECT_EQ(a[1], 6);
}

TEST(CoreArray, FailedGrowthLeavesArrayUnchanged) {
  LimitedAllocator one(1);
  {
    neArray<int32_t> a;
    ASSERT_TRUE(a.Init(2, &one, -1));
    ASSERT_TRUE(a.Push(1));
    ASSERT_TRUE(a.Push(2));
    EXPECT_EQ(a.Append(), nullptr);
    EXPECT_EQ(a.Count(), 2);
    EXPECT_EQ(a.Capacity(), 2);
    EXPECT_EQ(a[1], 2);
  }
  EXPECT_EQ(one.live_, 0);
}

TEST(CoreArray, BorrowedBufferIsFullAndNeverFreed) {
  int32_t buffer[4] = {1, 2, 3, 4};
  neArray<int32_t> a;
  a.InitOverBuffer(buffer, 4);
  EXPECT_EQ(a.Count(), 4);
  EXPECT_EQ(a.Append(), nullptr);
  a.Free();
  EXPECT_EQ(buffer[3], 4);
}

TEST(CoreAllocator, DefaultTotalOnlyGrowsAndSizesAreChecked) {
  neDefaultAllocator d;
  void* p = d.Alloc(100, 0);
  void* q = d.Alloc(50, 0);
  EXPECT_EQ(d.TotalAllocated(), 150);
  d.Free(p);
  d.Free(q);
  EXPECT_EQ(d.TotalAllocated(), 150);
  int32_t bytes = 0;
  EXPECT_TRUE(neFitsAllocation(1000, 16, &bytes));
  EXPECT_EQ(bytes, 16000);
  EXPECT_FALSE(neFitsAllocation(size_t{1} << 31, 16, &bytes));
}

std::vector<std::string> gLogged;
void Capture(char* text) { gLogged.emplace_back(text); }

TEST(CoreLog, SilentWithoutCallbackOrLevel) {
  gLogged.clear();
  neLogMessage(nullptr, 1, "%s", "x");
  neLogMessage(Capture, 0, "%s", "y");
  EXPECT_TRUE(gLogged.empty());
  neLogMessage(Capture, 1, "%s", "z\n");
  ASSERT_EQ(gLogged.size(), 1u);
  EXPECT_EQ(gLogged[0], "z\n");
}

}  // namespace
