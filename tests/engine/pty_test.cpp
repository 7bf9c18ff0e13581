// The engine on its worker thread and the real clock, through the real serial
// backend, to virtual cameras behind a pseudo-terminal.
#include "requests/request_codes.h"
#include "sim/camsim_pty.h"
#include "tests/support/engine_rig.h"
#include "tests/support/wait_for.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Virtual cameras on the master side of a pseudo-terminal, pumped by a thread.
struct PtyCameras {
  PtyCameras(const SimTiming& timing, std::initializer_list<uint8_t> models) : line(timing) {
    for (uint8_t model : models) line.AddCamera(model);
    char error[256];
    if (pty.Open("", error, sizeof error)) pump = std::thread([this] { Pump(); });
  }

  ~PtyCameras() {
    stop = true;
    if (pump.joinable()) pump.join();
  }
  void Pump() {
    for (uint8_t buffer[256]; !stop; OsSleep(1)) {
      line.Advance(OsTickCount());
      line.Feed(buffer, pty.Read(buffer, sizeof buffer));
      pty.Write(buffer, line.TakeOutput(buffer, sizeof buffer));
    }
  }

  SimLine line;
  PtyLine pty;
  std::thread pump;
  std::atomic<bool> stop{false};
};

TEST(OverPty, CamerasFoundListedPolledAndAnsweringARequest) {
  EngineRig rig;
  OsSetTickSourceForTest(nullptr);
  PtyCameras cameras(SimRealisticTiming(), {0x45, 0x40});
  ASSERT_TRUE(cameras.pump.joinable());
  SerialPortSetDevice(2, cameras.pty.DevicePath());
  rig.Start(WORKER_THREAD);
  ASSERT_TRUE(WaitFor([&] { return rig.c->listReady.load() == 1; }, 30000));
  EXPECT_EQ(rig.StatusTexts(),
            (Lines{"Searching for cameras...", "Checking COM2...", "Found 2 cameras", "Initializing camera 1...",
                   "Initializing camera 2...", "2 Cameras OK, none selected"}));
  EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1", "Camera 2"}));
  EXPECT_EQ(rig.c->cameras[1].address * 1000 + rig.c->cameras[1].modelCode, 2000 + 0x40);

  SelectCamera(rig.c, 1);  // from this, the panel's, thread
  bool focus = false, bright = false, frozen = false;
  auto drain = [&] {
    for (const QueueMessage& m : rig.TakeNotifications()) {
      EXPECT_EQ(m.cameraIndex, 1u);
      focus |= m.code == 4;
      bright |= m.code == 5;
      frozen |= m.code == 45 && m.a == 1;
    }
  };
  ASSERT_TRUE(WaitFor([&] { return drain(), focus && bright; }, 5000)) << "no idle poll";
  rig.Post(1, REQ_FREEZE, 1);
  ASSERT_TRUE(WaitFor([&] { return drain(), frozen; }, 5000)) << "no freeze read-back";
}

}  // namespace
