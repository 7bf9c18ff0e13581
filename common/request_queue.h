// Fixed-capacity FIFO of four-word messages between the user-interface thread
// and the engine's worker thread. One producer thread and one consumer thread
// per queue; neither side ever blocks.
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

  // Producer only. A message that does not fit is dropped: false.
  bool Put(uint32_t cameraIndex, uint32_t code, uint32_t a, uint32_t b);
  // Consumer only. True and the oldest message; false when none waits, with
  // the out-parameters untouched.
  bool TryGet(uint32_t& cameraIndex, uint32_t& code, uint32_t& a, uint32_t& b);
  bool Take(uint32_t& cameraIndex, uint32_t& code, uint32_t& a, uint32_t& b);
  // Consumer only: a message waits.
  bool HasMessages();
  // Set after every Put that stored its message (null: none). Set before the
  // producer starts; the event must outlive the queue.
  void SetPutSignal(OsEvent* event) { putSignal = event; }

 private:
  OsSemaphore semaphore;
  QueueMessage* entries = nullptr;
  OsLock lock;
  int32_t writeIndex = 0;  // moved by the producer, under the lock
  int32_t readIndex = 0;   // moved by the consumer, under the lock
  int32_t capacity;
  OsEvent* putSignal = nullptr;
};
