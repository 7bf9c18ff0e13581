// A slot of words that one writer fills whole and any thread may copy without
// ever holding the writer up: `seal` holds the entry's number once its words
// are in place and 0 while they are written. Every word is an atomic, so a
// reader racing the writer copies torn values at worst, which the second look
// at the seal rejects. The traffic trace and the raw mailbox are made of them.
#pragma once

#include <atomic>
#include <cstdint>

template <int32_t kWords>
struct SealedSlot {
  std::atomic<uint32_t> seal{0};
  std::atomic<uint32_t> words[kWords] = {};

  // The writer only: the slot holds `number` (not 0) with `w` once this returns.
  void Write(uint32_t number, const uint32_t (&w)[kWords]) {
    seal.store(0, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    for (int32_t i = 0; i < kWords; i++) words[i].store(w[i], std::memory_order_relaxed);
    seal.store(number, std::memory_order_release);
  }
  // Empties the slot: a read of its entry fails from now on.
  void Clear() { seal.store(0, std::memory_order_relaxed); }
  // Any thread: copies the words of entry `number`; false when the slot does
  // not hold it, or was written again while they were copied.
  bool Read(uint32_t number, uint32_t (&w)[kWords]) const {
    if (number == 0 || seal.load(std::memory_order_acquire) != number) return false;
    for (int32_t i = 0; i < kWords; i++) w[i] = words[i].load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    return seal.load(std::memory_order_relaxed) == number;
  }
};
