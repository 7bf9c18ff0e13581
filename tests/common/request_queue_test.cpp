#include "common/request_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

typedef std::vector<uint32_t> Words;

Words Take(RequestQueue& q) {
  uint32_t cam = 11, code = 12, a = 13, b = 14;
  return q.TryGet(cam, code, a, b) ? Words{cam, code, a, b} : Words{};
}

TEST(RequestQueue, HoldsCapacityMinusOneAndDropsTheNewest) {
  RequestQueue q(256);
  int stored = 0;
  for (uint32_t i = 0; i < 256; i++) stored += q.Put(i, 1, 2, 3) ? 1 : 0;  // the last one does not fit
  EXPECT_EQ(stored, 255);
  EXPECT_EQ((Words{0, 1, 2, 3}), Take(q));
  EXPECT_TRUE(q.Put(1000, 1, 2, 3));   // fits again after one take
  EXPECT_FALSE(q.Put(1001, 1, 2, 3));  // full again
  for (uint32_t i = 1; i < 255; i++) ASSERT_EQ((Words{i, 1, 2, 3}), Take(q));
  EXPECT_EQ((Words{1000, 1, 2, 3}), Take(q));
  EXPECT_EQ(Words{}, Take(q)) << "255 dropped and 1001 dropped";
}

// A producer that never outruns the queue waits for room on a counter the
// consumer advances, so every message must arrive in order.
struct Paced {
  RequestQueue q{256};
  std::atomic<uint32_t> taken{0};
  std::atomic<bool> stop{false};
  uint32_t count;
};

uint32_t Produce(void* arg) {
  Paced* p = static_cast<Paced*>(arg);
  for (uint32_t i = 0; i < p->count; i++) {
    while (i - p->taken.load(std::memory_order_acquire) >= 255) {
      if (p->stop.load(std::memory_order_acquire)) return 1;
      OsSleep(0);
    }
    p->q.Put(i, ~i, i * 3u, i ^ 0x5A5A5A5Au);
  }
  return 0;
}

TEST(RequestQueue, ProducerAndConsumerThreadsExchangeMessagesInOrder) {
  Paced x;
#ifdef _WIN32
  x.count = 100000;  // under Wine every semaphore call is a server round trip
#else
  x.count = 1000000;
#endif
  OsThread producer;
  ASSERT_TRUE(producer.Start(Produce, &x));
  uint32_t expect = 0;
  Words got;
  for (uint32_t start = OsTickCount(); expect < x.count && OsTickCount() - start < 120000;) {
    got = Take(x.q);
    if (got.empty()) continue;
    if (got != Words{expect, ~expect, expect * 3u, expect ^ 0x5A5A5A5Au}) break;
    x.taken.store(++expect, std::memory_order_release);
  }
  x.stop.store(true, std::memory_order_release);
  ASSERT_TRUE(producer.Join(10000)) << "the producer still runs 10 s after the consumer stopped";
  EXPECT_EQ(x.count, expect) << "out of order or not all within 120 s; last taken " << ::testing::PrintToString(got);
  EXPECT_EQ(Words{}, Take(x.q));
}

}  // namespace
