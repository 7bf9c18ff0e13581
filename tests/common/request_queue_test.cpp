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

// Several producers on a small queue, each putting a refused message again
// until it fits: every message of each arrives once, in that producer's order.
constexpr uint32_t kProducers = 4, kEach = 25000;

struct Producer {
  RequestQueue* q;
  std::atomic<bool>* stop;
  uint32_t id;
};

uint32_t Produce(void* arg) {
  const Producer* p = static_cast<Producer*>(arg);
  for (uint32_t i = 0; i < kEach; i++)
    while (!p->q->Put(p->id, i, ~i, p->id ^ (i << 8))) {
      if (p->stop->load(std::memory_order_acquire)) return 1;
      OsSleep(0);
    }
  return 0;
}

TEST(RequestQueue, SeveralProducersLoseNothingAndKeepEachOnesOrder) {
  RequestQueue q(16);
  std::atomic<bool> stop{false};
  Producer producers[kProducers];
  OsThread threads[kProducers];
  bool started = true;
  for (uint32_t id = 0; id < kProducers; id++) {
    producers[id] = Producer{&q, &stop, id};
    started = threads[id].Start(Produce, &producers[id]) && started;
  }
  uint32_t next[kProducers] = {}, total = 0;
  bool inOrder = true;
  Words got;
  for (uint32_t start = OsTickCount();
       started && inOrder && total < kProducers * kEach && OsTickCount() - start < 120000;) {
    const Words m = Take(q);
    if (m.empty()) continue;
    const uint32_t id = m[0] % kProducers, i = next[id]++;
    inOrder = m == Words{id, i, ~i, id ^ (i << 8)};
    got = m;
    total++;
  }
  stop.store(true, std::memory_order_release);
  for (OsThread& t : threads) EXPECT_TRUE(t.Join(10000)) << "a producer still runs 10 s after the consumer stopped";
  ASSERT_TRUE(started);
  EXPECT_TRUE(inOrder) << "lost, repeated, torn or out of order: " << ::testing::PrintToString(got);
  EXPECT_EQ(kProducers * kEach, total) << "not all within 120 s";
  EXPECT_EQ(Words{}, Take(q));
}

}  // namespace
