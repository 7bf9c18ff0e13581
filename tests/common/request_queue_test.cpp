#include "common/request_queue.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

TEST(RequestQueue, EmptyQueueLeavesOutParametersUntouched) {
  RequestQueue q(256);
  ASSERT_TRUE(q.IsValid());
  uint32_t cam = 11, code = 12, a = 13, b = 14;
  EXPECT_FALSE(q.TryGet(cam, code, a, b));
  EXPECT_EQ(11u, cam);
  EXPECT_EQ(12u, code);
  EXPECT_EQ(13u, a);
  EXPECT_EQ(14u, b);
}

TEST(RequestQueue, HoldsCapacityMinusOneAndDropsTheNewest) {
  RequestQueue q(256);
  for (uint32_t i = 0; i < 256; i++) q.Put(i, 1, 2, 3);  // the last one does not fit
  uint32_t cam, code, a, b;
  ASSERT_TRUE(q.TryGet(cam, code, a, b));
  EXPECT_EQ(0u, cam);
  q.Put(1000, 1, 2, 3);  // fits again after one take
  q.Put(1001, 1, 2, 3);  // full again
  for (uint32_t i = 1; i < 255; i++) {
    ASSERT_TRUE(q.TryGet(cam, code, a, b));
    EXPECT_EQ(i, cam);
  }
  ASSERT_TRUE(q.TryGet(cam, code, a, b));
  EXPECT_EQ(1000u, cam);
  EXPECT_FALSE(q.TryGet(cam, code, a, b)) << "255 dropped and 1001 dropped";
}

TEST(RequestQueue, KeepsOrderAndWordsAcrossTheWrap) {
  RequestQueue q(4);
  uint32_t cam, code, a, b;
  uint32_t next = 0;
  for (int round = 0; round < 5; round++) {
    for (int i = 0; i < 3; i++, next++) q.Put(next, next + 1, next + 2, next + 3);
    for (uint32_t expect = next - 3; expect < next; expect++) {
      ASSERT_TRUE(q.TryGet(cam, code, a, b));
      EXPECT_EQ(expect, cam);
      EXPECT_EQ(expect + 1, code);
      EXPECT_EQ(expect + 2, a);
      EXPECT_EQ(expect + 3, b);
    }
    EXPECT_FALSE(q.TryGet(cam, code, a, b));
  }
}

TEST(RequestQueue, ProducerAndConsumerThreadsExchangeAMillionMessagesInOrder) {
  // A producer that never outruns the queue: it waits for room by polling a
  // counter the consumer advances, so every message must arrive in order.
  struct Paced {
    RequestQueue q{256};
    std::atomic<uint32_t> taken{0};
    std::atomic<bool> stop{false};
    uint32_t count;
  } x;
#ifdef _WIN32
  // Under Wine every semaphore call is a server round trip.
  const uint32_t kCount = 100000;
#else
  const uint32_t kCount = 1000000;
#endif
  OsThread producer;
  auto produce = [](void* arg) -> uint32_t {
    Paced* p = static_cast<Paced*>(arg);
    for (uint32_t i = 0; i < p->count; i++) {
      while (i - p->taken.load(std::memory_order_acquire) >= 255) {
        if (p->stop.load(std::memory_order_acquire)) return 1;
        OsSleep(0);
      }
      p->q.Put(i, ~i, i * 3u, i ^ 0x5A5A5A5Au);
    }
    return 0;
  };
  x.count = kCount;
  ASSERT_TRUE(producer.Start(produce, &x));
  uint32_t expect = 0, cam, code, a, b;
  bool inOrder = true;
  for (uint32_t start = OsTickCount(); inOrder && expect < kCount && OsTickCount() - start < 120000;) {
    if (!x.q.TryGet(cam, code, a, b)) continue;
    inOrder = cam == expect && code == ~expect && a == expect * 3u && b == (expect ^ 0x5A5A5A5Au);
    expect++;
    x.taken.store(expect, std::memory_order_release);
  }
  x.stop.store(true, std::memory_order_release);
  ASSERT_TRUE(producer.Join(10000)) << "the producer still runs 10 s after the consumer stopped";
  EXPECT_TRUE(inOrder) << "message " << expect - 1 << " arrived as " << cam << " " << code << " " << a << " " << b;
  EXPECT_EQ(kCount, expect) << "not all messages arrived within 120 s";
  EXPECT_FALSE(x.q.TryGet(cam, code, a, b));
}

TEST(RequestQueue, CapacityBelowTwoHoldsNothingAndStaysSafe) {
  RequestQueue q(0);  // clamped to one slot: holds nothing, never crashes
  q.Put(1, 2, 3, 4);
  uint32_t cam = 9, code = 9, a = 9, b = 9;
  EXPECT_FALSE(q.TryGet(cam, code, a, b));
  EXPECT_EQ(9u, cam);
}

}  // namespace
