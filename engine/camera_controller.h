// The one engine object: the camera table, the ten serial channels, the two
// request queues between the panel and the engine, and the worker thread that
// runs the whole VISCA conversation.
//
// Who writes what (no lock guards these): the worker writes the records and
// every state word; the user-interface thread writes `camera`, `port`,
// `cameraSelected` (panel refresh) and reads the records and `cameraCount`.
// The state words are atomics so either side sees the other's stores.
#pragma once

#include "common/request_queue.h"
#include "platform/os.h"
#include "requests/camera_models.h"
#include "serial/serial_channel.h"

#include <atomic>
#include <cstdint>

constexpr int32_t kMaxCameras = 70;
constexpr int32_t kChannelCount = 10;
constexpr int32_t kMaxCamerasPerPort = 7;
constexpr int32_t kPacketCapacity = 80;
constexpr int32_t kQueueCapacity = 256;

// Notification codes posted into notifyQueue (camera, code, value, 0).
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
  NOTIFY_AE_MODE = 8201,
};

struct CameraRecord {
  int32_t port;
  int32_t address;
  int32_t zoomRequest;
  int32_t focusAutoRequest;
  int32_t focusRequest;
  int32_t brightRequest;
  int32_t aeModeRequest;
  int32_t rGainRequest;
  int32_t bGainRequest;
  int32_t expCompRequest;
  int32_t irisRequest;
  int32_t shutterRequest;
  int32_t apertureRequest;
  int32_t icrRequest;
  int32_t powerRequest;
  int32_t zoomPos;
  int32_t focusAuto;
  int32_t focusPos;
  int32_t brightPos;
  int32_t aeMode;
  int32_t powerOn;
  int32_t rGain;
  int32_t bGain;
  int32_t freezeOn;
  int32_t expCompPos;
  int32_t videoOutReg;
  int32_t irisPosInit;
  int32_t irisPos;
  int32_t shutterPos;
  int32_t gainPos;
  int32_t pictureEffect;
  int32_t gamma;
  int32_t pictureFlip;
  int32_t aperture;
  int32_t wbMode;
  int32_t modelCode;
  int32_t icrMode;
  int32_t powerSwitch;
  int32_t lastPreset;
};

struct CameraController {
  RequestQueue* notifyQueue = nullptr;
  RequestQueue* requestQueue = nullptr;
  CameraRecord cameras[kMaxCameras] = {};
  SerialChannel* channels[kChannelCount] = {};
  std::atomic<int32_t> mode{0};
  std::atomic<int32_t> followUp{0};
  std::atomic<int32_t> stage{0};
  std::atomic<int32_t> port{0};
  std::atomic<int32_t> camera{0};
  std::atomic<uint32_t> sendTick{0};
  std::atomic<int32_t> cameraCount{0};
  std::atomic<int32_t> timeoutMs{0};
  std::atomic<int32_t> cameraSelected{0};
  std::atomic<uint32_t> cmdTick{0};
  std::atomic<int32_t> listReady{0};
  OsThread thread;
  OsEvent stopEvent;

  // The modelCode of the record named by `camera` (0 when it names none).
  int32_t GetModel() const;
  // The record named by `camera`; the first one should `camera` ever be out
  // of the table, so no access leaves it.
  CameraRecord& Current();
};

// Engine state outside the object (one controller per process).
extern uint8_t packetBuffer[kPacketCapacity + 1];
extern uint32_t packetLength;             // length of the packet in packetBuffer
extern std::atomic<uint32_t> lastRxTick;  // written by the channels' I/O threads
extern uint8_t reinitChain;               // worker only
extern uint8_t brightStep;                // worker only
// Worker only. Replies still due from a command sent, unacknowledged, right
// before the one in flight (counted by SendPacket): they are absorbed instead
// of being taken for the awaited reply.
extern uint8_t extraAcks;
extern uint8_t extraCompletions;
extern std::atomic<uint8_t> reinitOnNack;  // request 44 sets it, the panel refresh clears it

enum WorkerStart { WORKER_THREAD, WORKER_MANUAL };

// Opens the ports and starts the worker. With WORKER_MANUAL no thread is
// started: the caller runs WorkerBegin once and then WorkerStep per tick.
// Null when the queues or the stop event could not be had.
CameraController* CreateCameraController(WorkerStart start = WORKER_THREAD);
// Stops the worker (waiting as long as it takes, while serving the worker's
// calls into the panel), closes the channels, frees the queues and the object.
void DestroyCameraController(CameraController* c);

// Worker thread entry; the parameter is the controller. Returns 0.
uint32_t CameraWorkerThread(void* param);
// The worker loop's set-up and one 1 ms step of it: link service, request
// dispatch while idle, idle poll while still idle. pollCounter is the loop's
// poll counter (starts at 0).
void WorkerBegin(CameraController* c);
void WorkerStep(CameraController* c, int32_t* pollCounter);

// What a selection in the camera list does to the engine (the panel refresh
// calls it on the user-interface thread): camera `index` becomes current, the
// idle poll may begin, and a non-acknowledge no longer restarts
// initialisation. An index outside the list changes nothing.
void SelectCamera(CameraController* c, int32_t index);

// The panel refresh that a re-reading of all settings runs on the worker
// thread. Installed by the application; null runs nothing.
typedef void (*PanelRefreshHandler)(CameraController* c, int32_t cameraIndex);
void SetPanelRefreshHandler(PanelRefreshHandler handler);
void RunPanelRefresh(CameraController* c, int32_t cameraIndex);
