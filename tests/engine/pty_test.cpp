// The engine on its own worker thread and the real clock, through the real
// serial backend, to virtual cameras behind a pseudo-terminal.
#include "engine_rig.h"
#include "requests/request_codes.h"

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

// A SimLine on the master side of a pseudo-terminal, pumped by its own thread.
class PtyLine {
public:
  explicit PtyLine(const SimTiming& timing) : line(timing) {}
  ~PtyLine() {
    stop = true;
    if (pump.joinable()) pump.join();
    if (master >= 0) close(master);
  }

  bool Open() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || !ptsname(master)) return false;
    slavePath = ptsname(master);
    pump = std::thread([this] { Pump(); });
    return true;
  }

  SimLine line;
  std::string slavePath;

private:
  void Pump() {
    uint8_t buffer[256];
    while (!stop) {
      pollfd p = {master, POLLIN, 0};
      int ready = poll(&p, 1, 1);
      line.Advance(OsTickCount());
      if (ready > 0 && (p.revents & POLLIN)) {
        ssize_t n = read(master, buffer, sizeof buffer);
        if (n > 0) line.Feed(buffer, static_cast<int>(n));
      } else if (ready > 0) {
        usleep(1000);  // no slave side open yet
      }
      int out = line.TakeOutput(buffer, sizeof buffer);
      if (out > 0 && write(master, buffer, static_cast<size_t>(out)) != out) return;
    }
  }

  int master = -1;
  std::thread pump;
  std::atomic<bool> stop{false};
};

TEST(OverPty, TwoCamerasFoundListedPolledAndAnsweringARequest) {
  EngineRig rig;
  OsSetTickSourceForTest(nullptr);
  PtyLine pty(SimRealisticTiming());
  pty.line.AddCamera(0x45);
  pty.line.AddCamera(0x66);
  ASSERT_TRUE(pty.Open());
  SerialPortSetDevice(2, pty.slavePath.c_str());
  rig.StartThreaded();
  ASSERT_TRUE(EngineRig::WaitFor([&] { return rig.c->listReady.load() == 1; }, 30000));
  EXPECT_EQ(rig.StatusTexts(),
            (Lines{"Searching for cameras...", "Checking COM2...", "Found 2 cameras", "Initializing camera 1...",
                   "Initializing camera 2...", "2 Cameras OK, none selected"}));
  EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1", "Camera 2"}));
  EXPECT_EQ(rig.c->cameras[1].port, 1);
  EXPECT_EQ(rig.c->cameras[1].address, 2);
  EXPECT_EQ(rig.c->cameras[1].modelCode, 0x66);
  EXPECT_EQ(rig.Checked(IDC_RECALL1), 1);

  // What the panel refresh does on a selection, from this (the panel's) thread.
  rig.c->camera = 1;
  rig.c->port = rig.c->cameras[1].port;
  reinitOnNack = 0;
  rig.c->cameraSelected = 1;
  bool focus = false, bright = false, frozen = false;
  QueueMessage m;
  auto drain = [&] {
    while (rig.c->notifyQueue->TryGet(m.cameraIndex, m.code, m.a, m.b)) {
      EXPECT_EQ(m.cameraIndex, 1u);
      focus |= m.code == 4;
      bright |= m.code == 5;
      frozen |= m.code == 45 && m.a == 1;
    }
  };
  ASSERT_TRUE(EngineRig::WaitFor([&] { return drain(), focus && bright; }, 5000));
  rig.c->requestQueue->Put(1, REQ_FREEZE, 1, 0);
  ASSERT_TRUE(EngineRig::WaitFor([&] { return drain(), frozen; }, 5000));
}

}  // namespace
