// Win32 side of the OS layer: thin wrappers over the kernel objects.
#include "platform/os.h"

#include <windows.h>  // first: mmsystem.h builds on it

#include <mmsystem.h>

#include <atomic>
#include <new>

namespace {

std::atomic<uint32_t (*)()> tickSource{nullptr};
constexpr uint64_t kMicrosecondsPerMs = 1000;
constexpr uint64_t kMicrosecondsPerSecond = 1000000;

struct ThreadStart {
  OsThreadProc proc;
  void* arg;
};

DWORD WINAPI ThreadTrampoline(LPVOID p) {
  ThreadStart start = *static_cast<ThreadStart*>(p);
  delete static_cast<ThreadStart*>(p);
  return start.proc(start.arg);
}

int WaitResult(DWORD r, DWORD count) {
  if (r < WAIT_OBJECT_0 + count) return static_cast<int>(r - WAIT_OBJECT_0);
  if (r == WAIT_TIMEOUT) return OS_WAIT_TIMEOUT;
  return OS_WAIT_FAILED;
}

}  // namespace

uint32_t OsTickCount() {
  uint32_t (*source)() = tickSource.load(std::memory_order_acquire);
  return source ? source() : GetTickCount();
}

// GetTickCount steps 10 to 16 ms at a time; the performance counter is fine.
uint64_t OsMicroseconds() {
  uint32_t (*source)() = tickSource.load(std::memory_order_acquire);
  if (source) return static_cast<uint64_t>(source()) * kMicrosecondsPerMs;
  static const uint64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<uint64_t>(f.QuadPart);
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  const uint64_t n = static_cast<uint64_t>(count.QuadPart);
  // In two parts, so the product never overflows.
  return n / frequency * kMicrosecondsPerSecond + n % frequency * kMicrosecondsPerSecond / frequency;
}

void OsSetTickSourceForTest(uint32_t (*source)()) { tickSource.store(source, std::memory_order_release); }

void OsSleep(uint32_t ms) { Sleep(ms); }

void OsBeginFineTimer() { timeBeginPeriod(1); }
void OsEndFineTimer() { timeEndPeriod(1); }

OsEvent::~OsEvent() {
  if (handle) CloseHandle(handle);
}

bool OsEvent::Create(bool manualReset, bool initiallySet) {
  if (handle) return true;
  handle = CreateEventA(nullptr, manualReset ? TRUE : FALSE, initiallySet ? TRUE : FALSE, nullptr);
  return handle != nullptr;
}

void OsEvent::Set() {
  if (handle) SetEvent(handle);
}

void OsEvent::Reset() {
  if (handle) ResetEvent(handle);
}

int OsEvent::Wait(uint32_t timeoutMs) {
  if (!handle) return OS_WAIT_FAILED;
  return WaitResult(WaitForSingleObject(handle, timeoutMs), 1);
}

int OsWaitAny(OsEvent* const* events, int count, uint32_t timeoutMs) {
  if (!events || count < 1 || count > 8) return OS_WAIT_FAILED;
  HANDLE handles[8];
  for (int i = 0; i < count; i++) {
    if (!events[i] || !events[i]->handle) return OS_WAIT_FAILED;
    handles[i] = events[i]->handle;
  }
  return WaitResult(WaitForMultipleObjects(count, handles, FALSE, timeoutMs), count);
}

OsSemaphore::~OsSemaphore() {
  if (handle) CloseHandle(handle);
}

bool OsSemaphore::Create(int32_t initialCount, int32_t maximumCount) {
  if (handle || maximumCount < 1 || initialCount < 0 || initialCount > maximumCount) return false;
  handle = CreateSemaphoreA(nullptr, initialCount, maximumCount, nullptr);
  return handle != nullptr;
}

bool OsSemaphore::Release() { return handle && ReleaseSemaphore(handle, 1, nullptr); }

int OsSemaphore::Wait(uint32_t timeoutMs) {
  if (!handle) return OS_WAIT_FAILED;
  return WaitResult(WaitForSingleObject(handle, timeoutMs), 1);
}

OsLock::OsLock() {
  CRITICAL_SECTION* cs = new (std::nothrow) CRITICAL_SECTION;
  if (cs) InitializeCriticalSection(cs);
  handle = cs;
}

OsLock::~OsLock() {
  CRITICAL_SECTION* cs = static_cast<CRITICAL_SECTION*>(handle);
  if (!cs) return;
  DeleteCriticalSection(cs);
  delete cs;
}

void OsLock::Enter() { EnterCriticalSection(static_cast<CRITICAL_SECTION*>(handle)); }
void OsLock::Leave() { LeaveCriticalSection(static_cast<CRITICAL_SECTION*>(handle)); }

OsThread::~OsThread() { Join(OS_INFINITE); }

bool OsThread::Start(OsThreadProc proc, void* arg) {
  if (handle || !proc) return false;
  ThreadStart* start = new (std::nothrow) ThreadStart{proc, arg};
  if (!start) return false;
  DWORD id = 0;
  handle = CreateThread(nullptr, 0, ThreadTrampoline, start, 0, &id);
  if (!handle) {
    delete start;
    return false;
  }
  return true;
}

bool OsThread::Join(uint32_t timeoutMs) {
  if (!handle) return true;
  if (WaitForSingleObject(handle, timeoutMs) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  GetExitCodeThread(handle, &code);
  exitCode = code;
  CloseHandle(handle);
  handle = nullptr;
  return true;
}

bool OsStartDetachedThread(OsThreadProc proc, void* arg) {
  ThreadStart* start = new (std::nothrow) ThreadStart{proc, arg};
  if (!start) return false;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, ThreadTrampoline, start, 0, &id);
  if (!thread) {
    delete start;
    return false;
  }
  CloseHandle(thread);
  return true;
}
