// Fixed-capacity FIFO of four-word messages between the front ends and the
// engine's worker thread. Any number of producer threads and one consumer
// thread per queue; each producer's messages come out in the order it put
// them. Neither side waits for the other: each holds the lock only to copy
// one message.
#pragma once

#include "platform/os.h"

#include <cstdint>

struct QueueMessage {
  uint32_t cameraIndex;
  uint32_t code;
  uint32_t a;
  uint32_t b;
};

class RequestQueue {
 public:
  explicit RequestQueue(int32_t capacity);
  ~RequestQueue();
  RequestQueue(const RequestQueue&) = delete;
  RequestQueue& operator=(const RequestQueue&) = delete;

  // False when the entries or the semaphore could not be had; such a queue
  // drops every Put and answers every TryGet with false.
  bool IsValid() const { return entries != nullptr && semaphore.IsValid(); }

  // Any producer thread. A message that does not fit is dropped: false; a
  // producer that puts it again before its next one keeps its order.
  bool Put(uint32_t cameraIndex, uint32_t code, uint32_t a, uint32_t b);
  // Consumer only. True and the oldest message; false when none waits, with
  // the out-parameters untouched.
  bool TryGet(uint32_t& cameraIndex, uint32_t& code, uint32_t& a, uint32_t& b);
  // Consumer only: a message waits.
  bool HasMessages();
  // Set after every Put that stored its message (null: none). Set before any
  // producer starts; the event must outlive the queue.
  void SetPutSignal(OsEvent* event) { putSignal = event; }

 private:
  // After a count taken from the semaphore: the oldest message.
  bool Take(uint32_t& cameraIndex, uint32_t& code, uint32_t& a, uint32_t& b);

  OsSemaphore semaphore;
  QueueMessage* entries = nullptr;
  OsLock lock;
  int32_t writeIndex = 0;  // moved by the producers, under the lock
  int32_t readIndex = 0;   // moved by the consumer, under the lock
  int32_t capacity;
  OsEvent* putSignal = nullptr;
};
