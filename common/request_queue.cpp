#include "common/request_queue.h"

#include <new>

RequestQueue::RequestQueue(int32_t cap) : capacity(cap > 0 ? cap : 1) {
  entries = new (std::nothrow) QueueMessage[capacity];
  if (!semaphore.Create(0, capacity) || !lock.IsValid()) {
    delete[] entries;
    entries = nullptr;
  }
}

RequestQueue::~RequestQueue() { delete[] entries; }

bool RequestQueue::Put(uint32_t cameraIndex, uint32_t code, uint32_t a, uint32_t b) {
  if (!IsValid()) return false;
  {
    OsLockGuard guard(lock);
    // Full when one free slot is left: the consumer tells empty from full that way.
    int32_t next = (writeIndex + 1) % capacity;
    if (next == readIndex) return false;
    entries[writeIndex] = QueueMessage{cameraIndex, code, a, b};
    writeIndex = next;
  }
  // After the lock, so a consumer that sees a count always finds an entry: with
  // several producers the count never runs ahead of the stored messages.
  semaphore.Release();
  if (putSignal != nullptr) putSignal->Set();
  return true;
}

bool RequestQueue::HasMessages() {
  if (!IsValid()) return false;
  OsLockGuard guard(lock);
  return readIndex != writeIndex;
}

bool RequestQueue::TryGet(uint32_t& cameraIndex, uint32_t& code, uint32_t& a, uint32_t& b) {
  if (!IsValid()) return false;
  if (semaphore.Wait(0) != 0) return false;
  return Take(cameraIndex, code, a, b);
}

bool RequestQueue::Take(uint32_t& cameraIndex, uint32_t& code, uint32_t& a, uint32_t& b) {
  if (!IsValid()) return false;
  OsLockGuard guard(lock);
  if (readIndex == writeIndex) return false;
  const QueueMessage& m = entries[readIndex];
  cameraIndex = m.cameraIndex;
  code = m.code;
  a = m.a;
  b = m.b;
  readIndex = (readIndex + 1) % capacity;
  return true;
}
