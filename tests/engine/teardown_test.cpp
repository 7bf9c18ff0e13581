// Teardown mid-transaction, and with a port that never closes.
#include "tests/support/engine_rig.h"
#include "tests/support/wait_for.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

TEST(Teardown, WhileATransactionIsInFlight) {
  EngineRig rig;
  WirePeer& com1 = rig.Attach(1);
  rig.Start(WORKER_THREAD);
  rig.Jump(100);
  ASSERT_TRUE(WaitFor([&] { return com1.Frames().size() == 1; }, 5000)) << "no address set";
  com1.Inject({0x88, 0x30, 0x02, 0xFF, 0x88, 0x01, 0x00, 0x01, 0xFF});  // both echoes
  ASSERT_TRUE(WaitFor([&] { return com1.Frames().size() == 3; }, 5000)) << "no version inquiry";
  EXPECT_TRUE(rig.c->transaction.load() == 70 && rig.c->stage.load() == STAGE_ANSWER);  // awaiting the version
  com1.Inject({0x90, 0x50, 0x00, 0x20});                                                // half an answer on its way
  DestroyCameraController(rig.c);  // a hang here is the watchdog's to name
  rig.c = nullptr;
}

// The far end of a port whose driver never finishes a write.
struct StuckLine : SerialPeer {
  std::atomic<bool> stuck{false};
  void OnWrite(const uint8_t*, int32_t) override {
    stuck = true;
    std::this_thread::sleep_for(std::chrono::minutes(1));  // the process is gone long before
  }
  int ReadByte(uint8_t*) override { return 0; }
};

// In a child process: the close is given up, said, and the process exits.
int TeardownWithAStuckPort() {
  EngineRig rig;
  StuckLine line;
  SerialPortSetPeer(1, &line);
  rig.Start(WORKER_THREAD);
  rig.Jump(100);
  if (!WaitFor([&] { return line.stuck.load(); }, 5000)) return 2;  // no address set written
  DestroyCameraController(rig.c);
  rig.c = nullptr;
  return rig.StatusTexts().back() == "COM1 does not close; left open until exit" ? 0 : 3;
}

// A fresh process, not a fork: ThreadSanitizer lets no forked child start threads.
constexpr char kChildVariable[] = "ORVALIX_STUCK_PORT_CHILD";

TEST(Teardown, APortThatNeverClosesDoesNotKeepTheProgramFromExiting) {
  if (getenv(kChildVariable)) _exit(TeardownWithAStuckPort());
  setenv(kChildVariable, "1", 1);
  char filter[] = "--gtest_filter=Teardown.APortThatNeverClosesDoesNotKeepTheProgramFromExiting";
  char self[] = "/proc/self/exe";
  char* argv[] = {self, filter, nullptr};
  pid_t child = -1;
  const int spawned = posix_spawn(&child, self, nullptr, nullptr, argv, environ);
  unsetenv(kChildVariable);
  ASSERT_EQ(spawned, 0);
  int status = -1;
  const bool ended = WaitFor([&] { return waitpid(child, &status, WNOHANG) == child; }, 10000);
  if (!ended) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
  }
  EXPECT_TRUE(ended) << "the program did not exit within 10 s";
  EXPECT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: nothing was written, 3: the status line did not say so";
}

// Two controllers in one process: the texts of each reach the front end it
// was created with, whichever was created last.
TEST(FrontEnds, EachControllerSpeaksThroughItsOwnHooks) {
  EngineRig rig;  // every COM port absent
  Lines first, second;
  PanelHooks hooks;
  hooks.showStatus = [](CameraController* c, const char* text) {
    static_cast<Lines*>(EngineContext(c))->push_back(text);
  };
  hooks.context = &first;
  CameraController* a = EngineCreate(hooks, nullptr, nullptr, ENGINE_WORKER_HELD);
  hooks.context = &second;
  CameraController* b = EngineCreate(hooks, nullptr, nullptr, ENGINE_WORKER_HELD);
  ASSERT_TRUE(a && b);
  WorkerBegin(a);
  for (int32_t ms = 0, polls = 0; ms < 3000 && first.size() < 2; ms++, rig.Jump(1)) WorkerStep(a, &polls);
  EngineDestroy(a);
  EngineDestroy(b);
  EXPECT_EQ((Lines{"Searching for cameras...", "Found 0 cameras"}), first);
  EXPECT_EQ(Lines{"Searching for cameras..."}, second);
}

}  // namespace
