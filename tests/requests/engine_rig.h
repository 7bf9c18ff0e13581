// A controller on COM1 with virtual cameras behind it and a panel in the
// in-memory window table. In manual mode the test thread is the worker (one
// WorkerStep per millisecond), so records can be arranged between steps; in
// thread mode the engine runs its own worker as in the program.
#pragma once

#include "engine/camera_controller.h"
#include "platform/winapi.h"
#include "sim/sim_line.h"
#include "sim/sim_peer.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

class EngineRig {
public:
  EngineRig(std::initializer_list<uint8_t> models, WorkerStart start, const SimTiming& timing = SimFastTiming());
  ~EngineRig();
  EngineRig(const EngineRig&) = delete;
  EngineRig& operator=(const EngineRig&) = delete;

  // Runs (manual mode: steps) until done() holds or timeoutMs passes.
  bool RunUntil(const std::function<bool()>& done, uint32_t timeoutMs);
  // Until the camera list is filled; then, as the first selection in the
  // list does, a non-acknowledge no longer restarts initialisation.
  bool Initialise();
  // What a click on camera `index` in the list does to the engine (with
  // polling when `poll`).
  void Select(int32_t index, bool poll);
  bool Idle() const { return c->mode.load() == 0 && c->stage.load() == 0; }
  // Manual mode: one worker step.
  void Step();
  // Manual mode: one step, then steps until idle again.
  bool Settle(uint32_t timeoutMs = 5000);
  void Post(uint32_t camera, uint32_t code, int32_t a);
  // Manual mode: posts, then runs the request and everything it causes.
  bool Request(uint32_t code, int32_t a, uint32_t camera = 0);

  CameraRecord& Record(int index) { return c->cameras[index]; }
  // What camera `index` of the line received, oldest first.
  std::vector<Bytes> Received(int index);
  // Only commands (byte 1 is 01) or only inquiries (09).
  std::vector<Bytes> ReceivedCommands(int index);
  std::vector<Bytes> ReceivedInquiries(int index);
  void ClearReceived();
  std::vector<QueueMessage> TakeNotifications();
  void Check(int id, bool checked);

  CameraController* c = nullptr;
  HWND panel = nullptr;
  HWND setup = nullptr;
  SimLine line;
  SimPeer peer;

private:
  WorkerStart mode;
  int32_t pollCounter = 0;
};

// The packet the camera at `address` gets for a payload: 8x payload FF.
Bytes Packet(int address, std::initializer_list<int> payload);
// "81 01 04 47 FF | 81 09 04 47 FF": packets in hex, for readable failures.
std::string Hex(const std::vector<Bytes>& packets);
