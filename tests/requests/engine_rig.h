// A controller on COM1 with virtual cameras behind it and a panel in the in-memory window table. In manual mode the
// test thread is the worker, so records can be arranged between steps; in thread mode the engine runs its own worker.
#pragma once

#include "engine/camera_controller.h"
#include "platform/winapi.h"
#include "sim/sim_line.h"
#include "sim/sim_peer.h"

#include <functional>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

struct EngineRig {
  EngineRig(std::initializer_list<uint8_t> models, WorkerStart start, const SimTiming& timing = SimFastTiming());
  ~EngineRig();
  // Runs (manual mode: steps) until done() holds or timeoutMs passes.
  bool RunUntil(const std::function<bool()>& done, uint32_t timeoutMs);
  bool Initialise();  // until the camera list is filled and the engine idle
  bool Idle() const { return c->mode.load() == 0 && c->stage.load() == 0; }
  bool Settle(uint32_t timeoutMs = 5000);  // manual mode: one step, then until idle
  void Post(uint32_t camera, uint32_t code, int32_t a) { c->requestQueue->Put(camera, code, uint32_t(a), 0); }
  bool Request(uint32_t code, int32_t a) { return Post(0, code, a), Settle(); }
  CameraRecord& Record(int index) { return c->cameras[index]; }
  // What camera `index` received, oldest first; kind 0x01 or 0x09 keeps only commands or inquiries.
  std::vector<Bytes> Received(int index, int kind = 0);
  std::vector<Bytes> ReceivedCommands(int index) { return Received(index, 0x01); }
  void ClearReceived() {
    peer.WithLine([](SimLine& l) { l.ClearReceived(); });
  }
  std::vector<QueueMessage> TakeNotifications();
  void Check(int id, bool checked);  // a panel or Setup dialog check box

  CameraController* c = nullptr;
  HWND panel = nullptr, setup = nullptr;
  SimLine line;
  SimPeer peer;
  WorkerStart mode;
  int32_t pollCounter = 0;
};

Bytes Packet(int address, std::initializer_list<int> payload);  // 8x payload FF
// "81 01 04 47 FF | 81 09 04 47 FF": packets in hex, for readable failures.
std::string Hex(const std::vector<Bytes>& packets);
// "38 02|39 00" -> "81 01 04 38 02 FF | 81 01 04 39 00 FF"; prefix "81 09 " for inquiries.
std::string Framed(const std::string& payloads, const std::string& prefix = "81 01 04 ");
