// A controller stepped on a virtual clock (WORKER_MANUAL), virtual cameras on
// its COM ports, and the panel and the Setup dialog in the in-memory window
// table. Before and after each step the rig waits until every line's I/O
// thread has taken in what is due and sent what the step queued, so a run
// never depends on how fast the threads happen to be.
#pragma once

#include "engine/camera_controller.h"
#include "platform/fakewin.h"
#include "sim/sim_line.h"
#include "sim/sim_peer.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

// The values of `mode` and `stage` that tests wait for.
constexpr int32_t kModeNextPort = 2;  // discovery: waiting for the interface-clear echo
constexpr int32_t kStageAck = 2, kStageCompletion = 3, kStageAnswer = 4, kStageEcho = 5;

uint32_t VirtualTick();

std::string Hex(const Bytes& bytes);                 // "81 09 04 47 FF"
std::string Hex(const std::vector<Bytes>& packets);  // "81 01 04 47 FF | 81 09 04 47 FF"
// "38 02|39 00" -> "81 01 04 38 02 FF | 81 01 04 39 00 FF"; prefix "81 09 " for inquiries.
std::string Framed(const std::string& payloads, const std::string& prefix = "81 01 04 ");
Bytes Packet(int address, std::initializer_list<int> payload);  // 8x payload FF

struct WireFrame {
  uint32_t tick;  // virtual time the frame reached the line
  std::string hex;
};

// The far end of one COM port: records what the engine writes, answers with
// the bytes a test injects, then with what its cameras have due.
class WirePeer : public SerialPeer {
 public:
  // No models: the port opens, but nothing on the line ever answers.
  WirePeer(std::initializer_list<uint8_t> models, const SimTiming& timing);

  void OnWrite(const uint8_t* data, int32_t length) override;
  int ReadByte(uint8_t* byte) override;

  std::vector<WireFrame> Frames();
  Lines Hexes();
  void Inject(const Bytes& bytes);
  // Waits until the channel's I/O thread has every byte due now in its
  // receive ring.
  void TakeDue();
  // Waits until the I/O thread has put every queued frame on the line.
  void Flush();

  // The cameras' side. Packets camera `index` received, oldest first; kind
  // 0x01 or 0x09 keeps only commands or inquiries addressed to it.
  std::vector<Bytes> Received(int index, int kind = 0);
  void ClearReceived();
  SimCameraState State(int index);
  // Applies `edit` to the camera's state and makes its picture also the
  // presets and the power-on settings, so initialisation's power-on and
  // preset recall keep it.
  void SetStoredPicture(int index, const std::function<void(SimCameraState&)>& edit);

 private:
  bool PullDue();
  void WaitForQuietReads(std::unique_lock<std::mutex>& lk, int count);

  SimLine line;
  std::unique_ptr<SimPeer> cameras;  // null without cameras
  std::mutex m;
  std::condition_variable cv;
  std::vector<WireFrame> frames;
  std::deque<uint8_t> injected;
  int quietReads = 0;  // reads in a row that found nothing, since the last write
};

class EngineRig {
 public:
  // Every COM port absent until Attach; the controller not yet created.
  EngineRig();
  // Cameras on COM1, answering within a video frame as real ones do, and the
  // controller started step by step.
  explicit EngineRig(std::initializer_list<uint8_t> com1, const SimTiming& timing = SimRealisticTiming());
  ~EngineRig();

  WirePeer& Attach(int comNumber, std::initializer_list<uint8_t> models = {},
                   const SimTiming& timing = SimFastTiming());
  WirePeer& Com(int comNumber) { return *peers[comNumber - 1]; }
  // Without a worker thread the test runs the loop's set-up and then its steps.
  void Start(WorkerStart worker = WORKER_MANUAL);

  // One 1 ms step of the worker.
  void Step();
  void Run(int ms);
  // Steps until done() holds; false when maxMs passed first.
  bool RunUntil(const std::function<bool()>& done, int maxMs);
  // Moves the virtual clock without running the worker.
  void Jump(uint32_t ms);

  bool Idle() const { return c->mode.load() == 0 && c->stage.load() == 0; }
  // Discovery and initialisation up to the filled list and an idle engine.
  bool RunToReady(int maxMs = 20000);
  // Ready, and a refusal no longer restarts initialisation, as after the
  // first selection, but without a selected camera and its idle poll.
  bool Initialise();
  // A click in the camera list: steps until the engine has taken it up.
  bool Select(int index);

  void Post(uint32_t camera, uint32_t code, int32_t a) { c->requestQueue->Put(camera, code, uint32_t(a), 0); }
  // One step, then until idle.
  bool Settle(int maxMs = 5000);
  // A request to camera 0, settled.
  bool Request(uint32_t code, int32_t a) { return Post(0, code, a), Settle(); }
  std::vector<QueueMessage> TakeNotifications();
  // What camera `index` on COM1 received.
  std::vector<Bytes> Received(int index, int kind = 0) { return Com(1).Received(index, kind); }
  std::vector<Bytes> ReceivedCommands(int index) { return Received(index, 0x01); }
  void ClearReceived() { Com(1).ClearReceived(); }

  Lines StatusTexts();
  Lines ListItems();
  int Checked(int id);
  void Check(int id, bool checked);  // a panel or Setup dialog check box

  CameraController* c = nullptr;
  HWND panel = nullptr, setup = nullptr;
  int32_t pollCounter = 0;

 private:
  std::unique_ptr<WirePeer> peers[kChannelCount];
};
