// A packet typed by the operator, sent to one camera as an ordinary
// transaction: it waits in the request queue behind what was put before it,
// its replies are matched like any other's and the reply time-outs end it.
// The queue's words cannot hold the bytes, so they wait in a small mailbox of
// their own that the queued request names by its ticket.
#pragma once

#include "engine/core/camera_controller.h"
#include "requests/raw_packet_text.h"

#include <cstdint>

enum RawPutResult { RAW_PUT, RAW_BAD_LENGTH, RAW_NO_CAMERA, RAW_OTHER_ADDRESS, RAW_NOT_ANSWERING, RAW_BUSY };

// Any thread (the Traffic window, the command mode, the remote listener); the
// worker never waits for them. Puts `packet` for camera `cameraIndex` (its
// "8x" becomes the camera's address). Anything but RAW_PUT sends nothing and
// says why in `message`.
RawPutResult PutRawCommand(CameraController* c, int32_t cameraIndex, const RawPacket& packet, char* message,
                           int32_t messageSize);
// Raw commands put and not yet taken by the worker.
uint32_t RawCommandsWaiting(const CameraController* c);

// Worker: the request queue gave a raw command. Sends it to camera
// `cameraIndex` when `ticket` is the next one due and its bytes are there,
// unless that camera is gone or marked "(no answer)"; any other ticket sends
// nothing.
void CarryOutRawCommand(CameraController* c, uint32_t cameraIndex, uint32_t ticket);
