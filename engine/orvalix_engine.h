// The one way into the engine for a front end (the window shell,
// orvalix-cli, the soak, the benchmarks): create and destroy a controller,
// select a camera, put requests and raw packets, take notifications, read
// snapshots of a camera and of the list, follow the trace. A front end never
// sees the controller's fields; the engine shows what the operator sees
// through the hooks table the front end gives at creation.
#pragma once

#include "engine/core/engine_limits.h"
#include "engine/core/line_name.h"
#include "net/net_config.h"
#include "requests/raw_packet_text.h"

#include <cstddef>
#include <cstdint>

class OsEvent;
class SerialChannel;
struct CameraController;  // the handle; opaque to a front end

// Notification codes (camera, code, value).
enum : uint32_t {
  NOTIFY_ZOOM = 1,
  NOTIFY_FOCUS = 4,
  NOTIFY_BRIGHT = 5,
  NOTIFY_APERTURE = 29,
  NOTIFY_R_GAIN = 39,
  NOTIFY_B_GAIN = 40,
  NOTIFY_LEVEL = 41,
  NOTIFY_ICR = 43,
  NOTIFY_FREEZE = 45,
  NOTIFY_PAN_TILT = 60,       // the camera was found to pan and tilt (value 1), or found not to (0)
  NOTIFY_PAN_POSITION = 61,   // a position read: the pan position
  NOTIFY_TILT_POSITION = 62,  // ... and the tilt position, posted right after it
  NOTIFY_AE_MODE = 8201,
};

// One camera as the engine holds it at the moment of the copy: what was
// asked of it (…Request) and what it reported. `line` is the channel it is on.
struct CameraSnapshot {
  int32_t line, address;
  int32_t zoomRequest, focusAutoRequest, focusRequest, brightRequest, aeModeRequest, rGainRequest, bGainRequest,
      expCompRequest, irisRequest, shutterRequest, apertureRequest, icrRequest, powerRequest;
  int32_t zoomPos, focusAuto, focusPos, brightPos, aeMode, powerOn, rGain, bGain, freezeOn, expCompPos, videoOutReg,
      irisPosInit, irisPos, shutterPos, gainPos, pictureEffect, gamma, pictureFlip, aperture, wbMode, modelCode,
      icrMode, powerSwitch, lastPreset;
  // Pan/tilt: whether the camera pans and tilts (1) or not (0), the position
  // it last reported (signed) and its maximum speeds.
  int32_t panTilt, panPos, tiltPos, panMax, tiltMax;
};

// The camera list and the engine's activity as one look from outside sees them.
struct ListSnapshot {
  int32_t cameraCount = 0;
  bool listReady = false;         // discovery and the first initialisation filled the list
  bool idle = true;               // no phase and no transaction, nothing awaited
  bool replyAwaited = false;      // a transaction in flight waits for a reply
  bool ackAwaited = false;        // ... for the acknowledge of its command
  bool askingVersion = false;     // the version inquiry that opens a camera's initialisation
  bool sendingCommand = false;    // a request's command is in flight
  bool requestsWaiting = false;   // a request or raw packet put and not yet taken
  bool selectionWaiting = false;  // a selection made and not yet in force
  uint32_t sendTick = 0;          // when the last packet went out
  uint32_t workerSteps = 0;       // steps the worker has run
  int32_t camera = 0;             // the camera every packet goes to, and its line
  int32_t line = 0;
  int32_t model = 0;  // the model code of that camera (0: none)
  // Every camera of another make has been asked whether it pans and tilts.
  bool panTiltAsked = true;
};

struct Notification {
  uint32_t camera = 0;
  uint32_t code = 0;
  int32_t value = 0;
};

// What the operator sees, as the engine changes it or reads it. Each hook is
// given the controller that calls it; the front end finds its own state
// through `context` (EngineContext). An entry left null does nothing (a read
// gives false or 0). The engine reaches no window itself.
struct PanelHooks {
  void* context = nullptr;
  // The status line shows `text`. User-interface thread (creation,
  // teardown) and worker (discovery, initialisation, error replies).
  void (*showStatus)(CameraController* c, const char* text) = nullptr;
  // The camera list gains the entry of camera `index`. Worker, once per
  // camera when the first initialisation ends.
  void (*addCamera)(CameraController* c, int32_t index) = nullptr;
  // The camera list's entry of camera `index` reads "Camera N", or "Camera N
  // (no answer)" while it is out of reach; an index one past the last entry
  // appends it. A selected entry stays selected. Worker, when a line or a
  // camera is lost or back, and for records a line's check added.
  void (*showCameraEntry)(CameraController* c, int32_t index, bool answering) = nullptr;
  // The Recall button of the camera's last preset is the one checked.
  // Worker, on the answer of each initialisation's preset inquiry.
  void (*markRecall)(CameraController* c, int32_t lastPreset) = nullptr;
  // The exposure sliders, value boxes and captions as mode r.aeMode uses
  // them. Worker, on the exposure mode requests.
  void (*showExposure)(CameraController* c, const CameraSnapshot& r) = nullptr;
  // The focus slider and value box show r.focusPos. Worker, on focus auto.
  void (*showFocus)(CameraController* c, const CameraSnapshot& r) = nullptr;
  // Setup's red or blue gain slider and value box show `gain`. Worker, on
  // the LED white balance gains.
  void (*showRedGain)(CameraController* c, int32_t gain) = nullptr;
  void (*showBlueGain)(CameraController* c, int32_t gain) = nullptr;
  // The preset button checked in Setup, 1..5, or 0 for none. Worker, on a
  // preset save.
  int32_t (*checkedPreset)(CameraController* c) = nullptr;
  // Closes the Setup dialog when it is open. Worker, on save and close.
  void (*closeSetup)(CameraController* c) = nullptr;
  // Mirrors camera `index` into the panel and selects it. Worker, when a
  // re-reading of the selected camera begins.
  void (*refreshPanel)(CameraController* c, int32_t index) = nullptr;
  // The two check boxes the engine reads: "Iris" picks the shutter over the
  // brightness inquiry and both decide which answers are notified. Worker.
  bool (*irisChecked)(CameraController* c) = nullptr;
  bool (*autoExposureChecked)(CameraController* c) = nullptr;
  // Serves the worker's calls that wait for the user-interface thread.
  // User-interface thread, while teardown waits for the worker to end.
  void (*serveWorker)(CameraController* c) = nullptr;
};

// Whether creation starts the worker thread, or leaves that to EngineStart
// (a front end that first looks at which lines opened).
enum EngineWorker { ENGINE_WORKER_RUNS, ENGINE_WORKER_HELD };
// Opens the COM ports and the network lines `network` names (none when
// null), with `hooks` in force from the first status text on; every
// notification sets `notified` too (null: none). Null when the engine or its
// worker could not be had.
CameraController* EngineCreate(const PanelHooks& hooks, const NetConfig* network, OsEvent* notified,
                               EngineWorker worker = ENGINE_WORKER_RUNS);
// Starts a held worker thread; false when it could not be started.
bool EngineStart(CameraController* c);
// Stops the worker (serving its calls into the panel while it waits),
// closes the lines and frees the controller. Null does nothing.
void EngineDestroy(CameraController* c);
// The `context` of the hooks given at creation.
void* EngineContext(const CameraController* c);
// Whether channel `line` opened (a COM port, or a network line's socket).
bool EngineLineOpen(const CameraController* c, int32_t line);

// A click in the camera list: camera `index` becomes current when the
// engine is next idle. An index outside the list changes nothing.
void EngineSelect(CameraController* c, int32_t index);
// Any thread; requests one thread puts are carried out in the order put.
// False when the queue is full.
bool EnginePut(CameraController* c, uint32_t camera, uint32_t code, uint32_t a, uint32_t b);
// The request code of a raw packet; its argument is the engine's ticket for
// the bytes, so a front end never puts it itself.
constexpr uint32_t kRawRequestCode = 1000;
enum RawSendResult { RAW_SEND_PUT, RAW_SEND_BUSY, RAW_SEND_REFUSED };
// A typed packet for camera `index`; anything but RAW_SEND_PUT sends nothing
// and says why in `message`. Any thread.
RawSendResult EnginePutRaw(CameraController* c, int32_t index, const RawPacket& packet, char* message,
                           int32_t messageSize);
// Pan/tilt movements of camera `index`. Any thread. A movement not yet sent
// is replaced by the next one put for the same camera (the latest wins), and
// movements go out ahead of queued requests, so a stop is never held behind
// them. Nothing is put for a camera outside the list or without pan/tilt.
enum MoveResult { MOVE_PUT, MOVE_NO_CAMERA, MOVE_NO_PAN_TILT, MOVE_OUT_OF_RANGE };
// Signed speeds: negative left or down, 0 stands, beyond the camera's maximum
// its maximum; 0 and 0 stop.
MoveResult EngineDrive(CameraController* c, int32_t index, int32_t panSpeed, int32_t tiltSpeed);
MoveResult EngineHome(CameraController* c, int32_t index);
// Signed 16-bit positions (outside -32768..32767: MOVE_OUT_OF_RANGE) at
// speeds 1..maximum.
MoveResult EngineGoTo(CameraController* c, int32_t index, int32_t pan, int32_t tilt, int32_t panSpeed,
                      int32_t tiltSpeed);

// The oldest notification not taken; false when none waits.
bool EngineTakeNotification(CameraController* c, Notification* out);
// Camera `index` of the list; false (and *out untouched) outside it.
bool EngineCamera(const CameraController* c, int32_t index, CameraSnapshot* out);
ListSnapshot EngineList(const CameraController* c);
// The video format request (18..27) the camera's video register stands for.
uint32_t EngineVideoFormat(const CameraSnapshot& r);
// Wakes the worker for one more step.
void EngineWake(CameraController* c);

// The trace: every packet sent and taken in, numbered 1, 2, ...; the newest
// kEngineTraceEntries stay readable.
constexpr uint32_t kEngineTraceEntries = 4096;
constexpr int32_t kTraceLineChars = 160;
struct TraceLines {
  char named[kTraceLineChars];  // "12.3 COM1 Cam 1 -> 81 09 04 47 FF  zoom position?"
  char plain[kTraceLineChars];  // "12.3 COM1 1 -> 81 09 04 47 FF"
  bool rawOutcome;              // a reply to a raw packet, or its time-out
};
// The id of the newest entry, 0 while there is none. Any thread.
uint32_t EngineTraceNewest(const CameraController* c);
// Entry `id` as text; false when it is not recorded yet or was overwritten.
bool EngineTraceRead(const CameraController* c, uint32_t id, TraceLines* out);

// A COM port's channel as the engine sets it up (38400 baud, frames cut at
// the packet end), open; null when it does not open. For the line bench.
SerialChannel* EngineOpenSerialLine(int32_t index);
