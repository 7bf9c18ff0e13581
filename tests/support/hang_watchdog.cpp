#include "tests/support/hang_watchdog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Longer than any test takes under a sanitizer on a busy machine, shorter
// than the ctest time-out of a suite run as a whole.
constexpr int kHangLimitSeconds = 120;
constexpr int kHungExitCode = 3;

[[noreturn]] void EndHungProcess(const char* test) {
  fprintf(stderr, "watchdog: %s still running after %d s; ending the suite\n", test, kHangLimitSeconds);
  fflush(stderr);
#ifdef _WIN32
  // Not ExitProcess: the hung thread may hold a lock that a DLL's detach needs.
  TerminateProcess(GetCurrentProcess(), kHungExitCode);
#endif
  std::_Exit(kHungExitCode);
}

class HangWatchdog : public testing::EmptyTestEventListener {
 public:
  HangWatchdog() : watcher([this] { Watch(); }) {}
  ~HangWatchdog() override {
    {
      std::lock_guard<std::mutex> lock(m);
      stop = true;
    }
    changed.notify_one();
    watcher.join();
  }
  void OnTestStart(const testing::TestInfo& test) override {
    std::lock_guard<std::mutex> lock(m);
    snprintf(name, sizeof name, "%s.%s", test.test_suite_name(), test.name());
    deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kHangLimitSeconds);
    running = true;
    changed.notify_one();
  }
  void OnTestEnd(const testing::TestInfo&) override {
    std::lock_guard<std::mutex> lock(m);
    running = false;
    changed.notify_one();
  }

 private:
  void Watch() {
    std::unique_lock<std::mutex> lock(m);
    while (!stop) {
      if (running && std::chrono::steady_clock::now() >= deadline) EndHungProcess(name);
      if (running) {
        changed.wait_until(lock, deadline);
      } else {
        changed.wait(lock);
      }
    }
  }

  std::mutex m;
  std::condition_variable changed;
  bool stop = false;
  bool running = false;
  char name[512] = "";
  std::chrono::steady_clock::time_point deadline;
  std::thread watcher;  // last: starts once the state above is set up
};

}  // namespace

void InstallHangWatchdog() { testing::UnitTest::GetInstance()->listeners().Append(new HangWatchdog); }
