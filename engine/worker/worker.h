// The top of the engine: a controller's creation and end, and the worker
// thread that runs its whole conversation, a step at a time.
#pragma once

#include "engine/core/camera_controller.h"

#include <cstdint>

enum WorkerStart { WORKER_THREAD, WORKER_MANUAL };

// Opens the ports, and the network lines `network` names (none when null),
// with `hooks` in force (none when null), and starts the worker. With
// WORKER_MANUAL no thread is started: the caller runs WorkerBegin once and
// then WorkerStep per tick. Null when the queues or
// the stop event could not be had.
CameraController* CreateCameraController(WorkerStart start = WORKER_THREAD, const NetConfig* network = nullptr,
                                         const PanelHooks* hooks = nullptr);
// Stops the worker (serving its calls into the panel while it waits), closes
// the channels, frees the queues and the object. A worker that has not ended
// after kWorkerStopWaitMs is left, with everything it uses, until the process
// ends; the status line says so.
constexpr uint32_t kWorkerStopWaitMs = 4000;
void DestroyCameraController(CameraController* c);

// Worker thread entry; the parameter is the controller. Returns 0.
uint32_t CameraWorkerThread(void* param);
// The worker loop's set-up and one step of it: link service, request dispatch
// while idle, idle poll while still idle. pollCounter is the loop's poll
// counter (starts at 0). The thread runs a step whenever it is woken and at
// NextDeadline; a step with nothing to do changes nothing.
void WorkerBegin(CameraController* c);
void WorkerStep(CameraController* c, int32_t* pollCounter);
