// The one engine object: the camera table, the channels of the ten serial
// lines and the network lines after them, the two request queues between the
// panel and the engine, and the worker thread that runs the whole VISCA
// conversation.
//
// Who writes what (no lock guards these): the worker writes the records and
// every state word; the user-interface thread reads the records, `camera` and
// `cameraCount`, and asks for a selection through `SelectCamera`, which the
// worker applies between transactions. State words and record fields are
// atomics so either side sees the other's stores whole.
#pragma once

#include "common/request_queue.h"
#include "engine/core/conversation_codes.h"
#include "engine/core/engine_limits.h"
#include "engine/core/movement_slot.h"
#include "engine/core/panel_hooks.h"
#include "engine/core/raw_mailbox.h"
#include "engine/core/recovery_events.h"
#include "engine/core/recovery_records.h"
#include "engine/core/trace_ring.h"
#include "net/net_config.h"
#include "platform/os.h"
#include "serial/serial_channel.h"

#include <atomic>
#include <cstdint>

constexpr int32_t kPacketCapacity = 80;
// A receive ring holds at most this many frames (each takes two bytes or
// more), so one step never reads a line longer than what had already arrived.
constexpr int32_t kMaxFramesPerStep = static_cast<int32_t>(SerialChannel::kRingSize / 2);
constexpr int32_t kQueueCapacity = 256;

// A record field: written by the worker, read by the panel at any time.
// Relaxed order is enough, as a reader needs each value whole, not an order
// between fields.
class SharedInt {
 public:
  constexpr SharedInt(int32_t v = 0) : value(v) {}
  SharedInt(const SharedInt& other) : value(other) {}
  SharedInt& operator=(const SharedInt& other) { return *this = static_cast<int32_t>(other); }
  SharedInt& operator=(int32_t v) {
    value.store(v, std::memory_order_relaxed);
    return *this;
  }
  operator int32_t() const { return value.load(std::memory_order_relaxed); }

 private:
  std::atomic<int32_t> value;
};

struct CameraRecord {
  SharedInt line;
  SharedInt address;
  SharedInt zoomRequest;
  SharedInt focusAutoRequest;
  SharedInt focusRequest;
  SharedInt brightRequest;
  SharedInt aeModeRequest;
  SharedInt rGainRequest;
  SharedInt bGainRequest;
  SharedInt expCompRequest;
  SharedInt irisRequest;
  SharedInt shutterRequest;
  SharedInt apertureRequest;
  SharedInt icrRequest;
  SharedInt powerRequest;
  SharedInt zoomPos;
  SharedInt focusAuto;
  SharedInt focusPos;
  SharedInt brightPos;
  SharedInt aeMode;
  SharedInt powerOn;
  SharedInt rGain;
  SharedInt bGain;
  SharedInt freezeOn;
  SharedInt expCompPos;
  SharedInt videoOutReg;
  SharedInt irisPosInit;
  SharedInt irisPos;
  SharedInt shutterPos;
  SharedInt gainPos;
  SharedInt pictureEffect;
  SharedInt gamma;
  SharedInt pictureFlip;
  SharedInt aperture;
  SharedInt wbMode;
  SharedInt modelCode;
  SharedInt icrMode;
  SharedInt powerSwitch;
  SharedInt lastPreset;
  SharedInt panTilt;
  SharedInt panPos;
  SharedInt tiltPos;
  SharedInt panMax;
  SharedInt tiltMax;
};

// What a network line has told the engine (NET_EVENT_ bits), worker only.
struct NetworkLineState {
  bool up = false;      // connected, or on the shared UDP socket
  bool failed = false;  // its last attempt failed (said once until it is up)
  bool lost = false;    // its connection dropped after it was up
};

struct CameraController {
  RequestQueue* notifyQueue = nullptr;
  RequestQueue* requestQueue = nullptr;
  // What the operator sees, given at creation.
  PanelHooks hooks = kNoPanelHooks;
  CameraRecord cameras[kMaxCameras] = {};
  SerialChannel* channels[kChannelCount] = {};
  std::atomic<EnginePhase> phase{PHASE_IDLE};
  std::atomic<TransactionCode> transaction{TX_NONE};
  std::atomic<int32_t> followUp{0};
  std::atomic<int32_t> stage{0};
  std::atomic<int32_t> line{0};
  std::atomic<int32_t> camera{0};
  std::atomic<uint32_t> sendTick{0};
  std::atomic<int32_t> cameraCount{0};
  std::atomic<int32_t> timeoutMs{0};
  // Worker only: the time-out the transitions set while `timeoutMs` holds one
  // transaction's own (an acknowledge lengthened it, or its camera missed its
  // last reply); the next transaction starts with it again (0: none).
  int32_t standingTimeoutMs = 0;
  std::atomic<int32_t> cameraSelected{0};
  std::atomic<uint32_t> cmdTick{0};
  // Worker only: the re-inquiry window `cmdTick` opened has not passed yet.
  bool cmdWindowOpen = false;
  std::atomic<int32_t> listReady{0};
  // The list index the user-interface thread asked for (-1: none); the worker
  // takes it over when it is next idle, so a transaction keeps its camera.
  std::atomic<int32_t> pendingSelection{-1};
  // Worker only: the selection in force, restored after initialisation runs again.
  int32_t selectedCamera = -1;
  // Worker only: discovery found cameras and their initialisation has not ended.
  bool initialising = false;
  OsThread thread;
  OsEvent stopEvent;
  // Wakes the worker: a request was put, a selection made, a frame received.
  OsEvent workEvent;
  // Steps the worker thread has run (tests and benchmarks count its wake-ups).
  std::atomic<uint32_t> workerSteps{0};
  // Worker only: the tick of the last idle-poll turn, so that turns stay a
  // tick apart however often the worker is woken.
  uint32_t pollTurnTick = 0;
  bool pollTurnTaken = false;
  // Worker only: the reply being handled (one byte more for the NUL the
  // channel stores behind it); discovery builds its broadcasts here too.
  uint8_t packetBuffer[kPacketCapacity + 1] = {};
  uint32_t packetLength = 0;
  // Worker only: a re-reading of all settings runs; its end goes idle
  // instead of on to the next camera.
  uint8_t reinitChain = 0;
  // Worker only: the step of model 0x40's two-part brightness read.
  uint8_t brightStep = 0;
  // Worker only. Replies still due from a command sent, unacknowledged, right
  // before the one in flight (counted by SendPayload): they are absorbed
  // instead of being taken for the awaited reply.
  uint8_t extraAcks = 0;
  uint8_t extraCompletions = 0;
  // Worker only: address sets sent to the current line.
  int32_t lineChecks = 0;
  // Worker only: the network lines' states, when discovery began to wait for
  // the current one to come up, and whether the shared UDP socket's port
  // (other than the one cameras expect) has been named.
  NetworkLineState networkLines[kNetMaxLines];
  uint32_t lineWaitTick = 0;
  bool udpPortNamed = false;
  // Worker only: lost lines, silent cameras and the checks that bring them back.
  LineRecovery recovery;
  // How the conversation tells recovery what happens (its own table once
  // InstallLineRecovery ran).
  const RecoveryEvents* events = &kNoRecoveryEvents;
  // The "(no answer)" marks as any thread reads them: the user-interface
  // thread refuses a raw command for a marked camera when it is put.
  std::atomic<bool> marked[kMaxCameras] = {};
  // Request 44 sets it, a selection clears it: while set, a refusal restarts
  // initialisation.
  std::atomic<uint8_t> reinitOnNack{1};
  // Every packet sent and taken in; the worker writes it, any thread reads it.
  TrafficTrace trace;
  // Raw commands' bytes, waiting for their turn in the request queue.
  RawMailbox rawMailbox;
  // Pan/tilt movements, one slot a camera; `movementsPut` is set after a
  // movement is stored, so the worker looks at the slots only then.
  MovementSlot movements[kMaxCameras];
  std::atomic<bool> movementsPut{false};

  // The record named by `camera`; the first one should `camera` ever be out
  // of the table, so no access leaves it.
  CameraRecord& Current();
};

// The engine's state as the one number texts show: the transaction code while
// one is in flight, else the phase.
int32_t StateNumber(const CameraController* c);
// "Err Answer ..." for the error reply in packetBuffer, as the status line shows it.
void ShowErrorAnswer(CameraController* c);

// Closes and frees the channel of line `line` (the slot becomes null). A port
// whose close does not end in time stays open until the process ends; the
// status line says so and the engine goes on without it.
void CloseChannel(CameraController* c, int32_t line);

// What a selection in the camera list does to the engine (the panel refresh
// calls it): a non-acknowledge no longer restarts initialisation at once, and
// when the engine is next idle camera `index` becomes current and the idle
// poll may begin. From the refresh a re-reading runs on the worker, it only
// marks the camera being re-read as the one polled. An index outside the
// list changes nothing.
void SelectCamera(CameraController* c, int32_t index);
// Worker: makes a requested selection current; only while nothing is in flight.
void ApplySelection(CameraController* c);
// False while camera `index` is marked "(no answer)": its requests are
// dropped. Any thread.
bool CameraReachable(const CameraController* c, int32_t index);
// Worker: camera `index` and its line become the ones every packet goes to.
void SetCurrentCamera(CameraController* c, int32_t index);
// Worker: after initialisation the selection in force (or the first camera) is current again.
void RestoreSelection(CameraController* c);

// Worker: the panel refresh (a hook) of a re-reading of camera `cameraIndex`.
// Skipped when the user has chosen another camera, waiting or in force, so a
// re-reading never takes a selection back.
void RunPanelRefresh(CameraController* c, int32_t cameraIndex);
