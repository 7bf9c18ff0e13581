// POSIX side of the OS layer, on the C++ standard library's threads.
// Events share one mutex and condition variable, so a thread can wait on
// several of them at once as WaitForMultipleObjects does.
#include "platform/os.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include <pthread.h>

namespace {

std::atomic<uint32_t (*)()> tickSource{nullptr};
constexpr uint64_t kMicrosecondsPerMs = 1000;

std::mutex& HubMutex() {
  static std::mutex m;
  return m;
}
std::condition_variable& HubCond() {
  static std::condition_variable c;
  return c;
}

struct EventState {
  bool manualReset;
  bool signalled;
};

struct SemaphoreState {
  std::mutex m;
  std::condition_variable cv;
  int32_t count;
  int32_t maximum;
};

// pthread rather than std::thread: creation failure is a result, not an
// exception.
struct ThreadState {
  pthread_t thread;
  OsThreadProc proc;
  void* arg;
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  uint32_t exitCode = 0;
};

void* ThreadEntry(void* p) {
  ThreadState* t = static_cast<ThreadState*>(p);
  uint32_t code = t->proc(t->arg);
  {
    std::lock_guard<std::mutex> lk(t->m);
    t->exitCode = code;
    t->done = true;
  }
  t->cv.notify_all();
  return nullptr;
}

using Clock = std::chrono::steady_clock;

// Waits on cv until ready() holds or the time-out passes; true when ready.
template <class Ready>
bool WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lk, uint32_t timeoutMs, Ready ready) {
  if (timeoutMs == OS_INFINITE) {
    cv.wait(lk, ready);
    return true;
  }
  // A poll: a timed wait with a deadline already past still costs a system
  // call, and the worker polls its request queue on every step.
  if (timeoutMs == 0) return ready();
  return cv.wait_until(lk, Clock::now() + std::chrono::milliseconds(timeoutMs), ready);
}

}  // namespace

uint32_t OsTickCount() {
  uint32_t (*source)() = tickSource.load(std::memory_order_acquire);
  if (source) return source();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
  return static_cast<uint32_t>(ms);
}

uint64_t OsMicroseconds() {
  uint32_t (*source)() = tickSource.load(std::memory_order_acquire);
  if (source) return static_cast<uint64_t>(source()) * kMicrosecondsPerMs;
  auto us = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
  return static_cast<uint64_t>(us);
}

void OsSetTickSourceForTest(uint32_t (*source)()) { tickSource.store(source, std::memory_order_release); }

void OsSleep(uint32_t ms) {
  if (ms == 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Linux sleeps are already fine-grained.
void OsBeginFineTimer() {}
void OsEndFineTimer() {}

OsEvent::~OsEvent() { delete static_cast<EventState*>(handle); }

bool OsEvent::Create(bool manualReset, bool initiallySet) {
  if (handle) return true;
  handle = new (std::nothrow) EventState{manualReset, initiallySet};
  return handle != nullptr;
}

void OsEvent::Set() {
  if (!handle) return;
  {
    std::lock_guard<std::mutex> lk(HubMutex());
    static_cast<EventState*>(handle)->signalled = true;
  }
  HubCond().notify_all();
}

void OsEvent::Reset() {
  if (!handle) return;
  std::lock_guard<std::mutex> lk(HubMutex());
  static_cast<EventState*>(handle)->signalled = false;
}

int OsEvent::Wait(uint32_t timeoutMs) {
  OsEvent* self = this;
  return OsWaitAny(&self, 1, timeoutMs);
}

int OsWaitAny(OsEvent* const* events, int count, uint32_t timeoutMs) {
  if (!events || count < 1 || count > 8) return OS_WAIT_FAILED;
  for (int i = 0; i < count; i++)
    if (!events[i] || !events[i]->handle) return OS_WAIT_FAILED;
  int found = OS_WAIT_TIMEOUT;
  auto ready = [&] {
    for (int i = 0; i < count; i++) {
      EventState* e = static_cast<EventState*>(events[i]->handle);
      if (e->signalled) {
        if (!e->manualReset) e->signalled = false;
        found = i;
        return true;
      }
    }
    return false;
  };
  std::unique_lock<std::mutex> lk(HubMutex());
  WaitUntil(HubCond(), lk, timeoutMs, ready);
  return found;
}

OsSemaphore::~OsSemaphore() { delete static_cast<SemaphoreState*>(handle); }

bool OsSemaphore::Create(int32_t initialCount, int32_t maximumCount) {
  if (handle || maximumCount < 1 || initialCount < 0 || initialCount > maximumCount) return false;
  SemaphoreState* s = new (std::nothrow) SemaphoreState;
  if (!s) return false;
  s->count = initialCount;
  s->maximum = maximumCount;
  handle = s;
  return true;
}

bool OsSemaphore::Release() {
  SemaphoreState* s = static_cast<SemaphoreState*>(handle);
  if (!s) return false;
  {
    std::lock_guard<std::mutex> lk(s->m);
    if (s->count >= s->maximum) return false;
    s->count++;
  }
  s->cv.notify_one();
  return true;
}

int OsSemaphore::Wait(uint32_t timeoutMs) {
  SemaphoreState* s = static_cast<SemaphoreState*>(handle);
  if (!s) return OS_WAIT_FAILED;
  std::unique_lock<std::mutex> lk(s->m);
  if (!WaitUntil(s->cv, lk, timeoutMs, [s] { return s->count > 0; })) return OS_WAIT_TIMEOUT;
  s->count--;
  return 0;
}

OsLock::OsLock() { handle = new (std::nothrow) std::recursive_mutex; }
OsLock::~OsLock() { delete static_cast<std::recursive_mutex*>(handle); }
void OsLock::Enter() { static_cast<std::recursive_mutex*>(handle)->lock(); }
void OsLock::Leave() { static_cast<std::recursive_mutex*>(handle)->unlock(); }

OsThread::~OsThread() { Join(OS_INFINITE); }

bool OsThread::Start(OsThreadProc proc, void* arg) {
  if (handle || !proc) return false;
  ThreadState* t = new (std::nothrow) ThreadState;
  if (!t) return false;
  t->proc = proc;
  t->arg = arg;
  if (pthread_create(&t->thread, nullptr, ThreadEntry, t) != 0) {
    delete t;
    return false;
  }
  handle = t;
  return true;
}

bool OsThread::Join(uint32_t timeoutMs) {
  ThreadState* t = static_cast<ThreadState*>(handle);
  if (!t) return true;
  {
    std::unique_lock<std::mutex> lk(t->m);
    if (!WaitUntil(t->cv, lk, timeoutMs, [t] { return t->done; })) return false;
    exitCode = t->exitCode;
  }
  pthread_join(t->thread, nullptr);
  delete t;
  handle = nullptr;
  return true;
}

namespace {

struct DetachedStart {
  OsThreadProc proc;
  void* arg;
};

void* DetachedEntry(void* p) {
  const DetachedStart start = *static_cast<DetachedStart*>(p);
  delete static_cast<DetachedStart*>(p);
  start.proc(start.arg);
  return nullptr;
}

}  // namespace

bool OsStartDetachedThread(OsThreadProc proc, void* arg) {
  DetachedStart* start = new (std::nothrow) DetachedStart{proc, arg};
  if (!start) return false;
  pthread_t thread;
  if (pthread_create(&thread, nullptr, DetachedEntry, start) != 0) {
    delete start;
    return false;
  }
  pthread_detach(thread);
  return true;
}
