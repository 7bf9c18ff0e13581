// A channel as the engine speaks: how its frames are cut, and how a serial
// or network line's channel is opened.
#pragma once

#include "net/net_config.h"
#include "serial/serial_channel.h"

#include <cstdint>

// A channel for line `line` (COM number line + 1) set up as the engine speaks
// (38400 baud, the packet-end test cutting frames) and open; null when the
// port does not open.
SerialChannel* OpenCameraChannel(int32_t line);
// The same for a network line; null when the system has no handles left.
SerialChannel* OpenNetworkChannel(const NetLineConfig& config);

// Frame-end callback of every channel: 2 (complete) when the collected bytes
// end in FF, else 0. A frame that does not open as a packet does (a reply's
// header and kind, an echo, an own packet back) begins at its last header
// byte (8x..Fx) before the FF: stray bytes ahead of it (a camera powering up,
// a cable plugged in) are cut off as noise (3).
uint32_t PacketEndTest(uint8_t* frame, int32_t* length);
// Noise the packet-end test cut off: the only frames it hands on that do not
// end in FF.
bool IsNoise(const uint8_t* frame, uint32_t length);
