// A controller driven step by step on a virtual clock, with in-process lines
// plugged into its COM ports and the panel's controls in the in-memory window
// table.
#pragma once

#include "engine/camera_controller.h"
#include "platform/fakewin.h"
#include "serial/serial_port.h"
#include "sim/sim_line.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

Bytes B(std::initializer_list<int> values);
std::string Hex(const Bytes& bytes);

uint32_t VirtualTick();
void SetVirtualTick(uint32_t t);

struct WireFrame {
  uint32_t tick;  // virtual time when the frame reached the line
  Bytes bytes;
};

// What the engine writes is recorded; what comes back is a SimLine's output
// (when one is given) behind any bytes the test injects itself.
class WirePeer : public SerialPeer {
public:
  explicit WirePeer(SimLine* line = nullptr) : line(line) {}

  void OnWrite(const uint8_t* data, int32_t length) override;
  int ReadByte(uint8_t* byte) override;

  std::vector<WireFrame> Frames();
  std::vector<Bytes> FrameBytes();
  void Inject(const Bytes& bytes);
  // Runs f(SimLine&) under the peer's lock.
  void WithLine(const std::function<void(SimLine&)>& f);

  // Synchronisation with the channel's I/O thread: true once it has asked for
  // a byte twice in a row with nothing to read and nothing written between,
  // which means every due byte is in the receive ring and every queued frame
  // has been written.
  // Bytes the line has due now.
  bool OutputPending();
  void ResetQuiet();
  bool WaitQuiet();

private:
  std::mutex m;
  std::condition_variable cv;
  SimLine* line;
  std::vector<WireFrame> frames;
  std::deque<uint8_t> injected;
  int quietReads = 0;
};

class EngineRig {
public:
  // Every COM port absent until Attach; virtual clock at `startTick`.
  explicit EngineRig(uint32_t startTick = 100000);
  ~EngineRig();

  void Attach(int comNumber, WirePeer* peer);
  // Creates the controller without a worker thread and runs the loop's set-up.
  void Start();
  // Creates the controller with its own worker thread.
  void StartThreaded();
  // One 1 ms step of the worker, with the lines' I/O settled before and after.
  void Step();
  void Run(int ms);
  // Steps until done() holds; false when maxMs passed first.
  bool RunUntil(const std::function<bool()>& done, int maxMs);
  // Waits in real time (for a threaded controller); false after maxMs.
  static bool WaitFor(const std::function<bool()>& done, int maxMs);
  // Waits until every open line has taken what was queued for it.
  void SettleAll();
  // Moves the virtual clock without running the worker.
  void Jump(uint32_t ms);
  // Discovery and initialisation to the filled list.
  bool RunToReady(int maxMs = 20000);
  // What the panel refresh does to the controller on a selection.
  void Select(int32_t cameraIndex);

  std::vector<std::string> StatusTexts();
  // Virtual time at which each status text appeared (parallel to StatusTexts
  // for texts set during steps).
  uint32_t StatusTime(const std::string& text, int occurrence = 0);
  std::vector<std::string> ListItems();
  int Checked(int id);

  CameraController* c = nullptr;
  HWND page = nullptr;
  HWND status = nullptr;
  HWND list = nullptr;
  int32_t pollCounter = 0;

private:
  void Settle(WirePeer* peer);
  void LogStatus();

  WirePeer* peers[kChannelCount] = {};
  std::vector<std::pair<uint32_t, std::string>> statusLog;
  size_t statusSeen = 0;
};
