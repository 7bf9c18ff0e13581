#include "remote/event_lines.h"

#include "platform/os.h"
#include "remote/http_request.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace {

// Without a listener no lock is taken.
std::atomic<bool> active{false};
RemoteServer* target = nullptr;

// Built on first use, so it outlives every thread that publishes.
OsLock& TargetLock() {
  static OsLock* lock = new OsLock;
  return *lock;
}

}  // namespace

void SetEventServer(RemoteServer* server) {
  OsLockGuard guard(TargetLock());
  target = server;
  active = server != nullptr;
}

void PublishEvent(const char* format, ...) {
  if (!active.load()) return;
  char line[kRemoteLineChars + 1];
  va_list args;
  va_start(args, format);
  const int n = vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (n < 0 || static_cast<size_t>(n) >= sizeof line) return;
  OsLockGuard guard(TargetLock());
  if (target != nullptr) RemotePublish(target, line);
}
