// The network lines in the engine: their channels, opened from the
// configuration after the COM ports, and what their transports report, said
// on the status line (a line lost or back is told to recovery).
#pragma once

#include "engine/core/camera_controller.h"

#include <cstdint>

// Creation: a channel for every configured line, IP1 on channel kSerialLineCount.
void OpenNetworkLines(CameraController* c, const NetConfig& config);
// Worker: takes what each open network line reported since the last step
// and says it once on the status line.
void TakeNetworkEvents(CameraController* c);
// Line `line` is a network line with one camera at address 1, found
// without an address set (visca-ip and udp).
bool IsDatagramLine(const CameraController* c, int32_t line);
// The channel of network line `line`; null for a COM port or a line not open.
const SerialChannel* NetworkChannel(const CameraController* c, int32_t line);
