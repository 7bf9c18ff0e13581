// The network lines in the engine: their channels, opened from the
// configuration after the COM ports; what their transports report, said on
// the status line; and discovery waiting for a line to come up before it
// checks it.
#pragma once

#include "engine/camera_controller.h"

#include <cstdint>

// How long discovery waits for a network line to come up (a name lookup and
// a TCP connection attempt fit in it).
constexpr uint32_t kLineUpWaitMs = 4000;

// Creation: a channel for every configured line, IP1 on channel kSerialLineCount.
void OpenNetworkLines(CameraController* c, const NetConfig& config);
// Worker: takes what each open network line reported since the last step
// and says it once on the status line.
void TakeNetworkEvents(CameraController* c);
// Line `line` is a network line with one camera at address 1, found
// without an address set (visca-ip and udp).
bool IsDatagramLine(const CameraController* c, int32_t line);
// Discovery: the current line is checked now, or once its network line is up.
void BeginLineCheck(CameraController* c);
// The phase step while discovery waits for a network line: on to the check
// once it is up, or on without it once it failed or the wait ran out.
void AwaitLine(CameraController* c);
