// Thin operating-system layer: the few kernel services the engine, the
// serial channel and the queues use. One implementation per platform lives in
// platform/win32/ and platform/posix/; nothing else includes <windows.h> or
// <pthread.h> for these services.
#pragma once

#include <cstdint>

// Milliseconds since an arbitrary start, wrapping at 2^32 like GetTickCount.
// Compare two ticks only by unsigned subtraction.
uint32_t OsTickCount();
// Microseconds since an arbitrary start, from the platform's finest clock
// (QueryPerformanceCounter, steady_clock): for timing what happens within a
// millisecond. 64 bits never wrap. Under a test's tick source (below), that
// source's milliseconds times 1000.
uint64_t OsMicroseconds();
void OsSleep(uint32_t ms);  // 0 yields the processor
// While a fine timer is held, 1 ms sleeps and waits really last about 1 ms
// (Windows otherwise rounds them up to its ~15.6 ms clock tick). Calls nest.
void OsBeginFineTimer();
void OsEndFineTimer();
// Tests replace the tick source with a virtual clock; null restores the real one.
void OsSetTickSourceForTest(uint32_t (*source)());

constexpr uint32_t OS_INFINITE = 0xFFFFFFFFu;
constexpr int OS_WAIT_TIMEOUT = -1;
constexpr int OS_WAIT_FAILED = -2;

// Manual- or auto-reset event. Create() must succeed before any other call.
class OsEvent {
 public:
  OsEvent() = default;
  ~OsEvent();
  OsEvent(const OsEvent&) = delete;
  OsEvent& operator=(const OsEvent&) = delete;

  bool Create(bool manualReset, bool initiallySet);
  bool IsValid() const { return handle != nullptr; }
  void Set();
  void Reset();
  // 0 when signalled, OS_WAIT_TIMEOUT or OS_WAIT_FAILED.
  int Wait(uint32_t timeoutMs);

  void* handle = nullptr;  // HANDLE on Win32, private state on POSIX
};

// Waits until any one of `count` events (1..8) is signalled. Returns the index
// of the signalled event (the lowest one when several are), OS_WAIT_TIMEOUT or
// OS_WAIT_FAILED. An auto-reset event that satisfies the wait is reset.
int OsWaitAny(OsEvent* const* events, int count, uint32_t timeoutMs);

// Counting semaphore with a maximum count.
class OsSemaphore {
 public:
  OsSemaphore() = default;
  ~OsSemaphore();
  OsSemaphore(const OsSemaphore&) = delete;
  OsSemaphore& operator=(const OsSemaphore&) = delete;

  bool Create(int32_t initialCount, int32_t maximumCount);
  bool IsValid() const { return handle != nullptr; }
  // Raises the count by one; false when it would pass the maximum.
  bool Release();
  // 0 when the count was lowered, OS_WAIT_TIMEOUT or OS_WAIT_FAILED.
  int Wait(uint32_t timeoutMs);

  void* handle = nullptr;
};

// Critical section: recursive on the owning thread, as on Win32.
class OsLock {
 public:
  OsLock();
  ~OsLock();
  OsLock(const OsLock&) = delete;
  OsLock& operator=(const OsLock&) = delete;

  bool IsValid() const { return handle != nullptr; }
  void Enter();
  void Leave();

  void* handle = nullptr;
};

class OsLockGuard {
 public:
  explicit OsLockGuard(OsLock& l) : lock(l) { lock.Enter(); }
  ~OsLockGuard() { lock.Leave(); }
  OsLockGuard(const OsLockGuard&) = delete;
  OsLockGuard& operator=(const OsLockGuard&) = delete;

 private:
  OsLock& lock;
};

typedef uint32_t (*OsThreadProc)(void* arg);

// A joinable thread. The destructor waits for a thread still running: its
// owner decides when to give up, never the object itself.
class OsThread {
 public:
  OsThread() = default;
  ~OsThread();
  OsThread(const OsThread&) = delete;
  OsThread& operator=(const OsThread&) = delete;

  bool Start(OsThreadProc proc, void* arg);
  bool IsStarted() const { return handle != nullptr; }
  // Waits up to timeoutMs for the thread to end. True when it has ended (the
  // thread is then released and exitCode holds its result); false on time-out.
  bool Join(uint32_t timeoutMs);

  uint32_t exitCode = 0;
  void* handle = nullptr;
};

// Starts a thread nobody waits for; it releases itself when `proc` returns.
// For work that may outlast its requester (a name lookup), so that closing
// never waits on it. False when the thread could not start.
bool OsStartDetachedThread(OsThreadProc proc, void* arg);
