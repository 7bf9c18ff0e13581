// The engine's one road onto the wire, and the two small operations every
// reply passes through.
#pragma once

#include "engine/camera_controller.h"
#include "engine/engine_state.h"

#include <cstdint>

// Frames 8x <payload> FF for the record named by `camera`, stamps `sendTick`,
// queues it on the channel of `line`, and starts transaction `code`
// awaiting an answer (inquiry, first byte 09) or an acknowledge (command).
// An empty payload or one over 14 bytes is refused and nothing changes.
void SendPayload(CameraController* c, TransactionCode code, const uint8_t* payload, int32_t length);
// The same with the payload bytes as ints closed by a negative value; a value
// above 0xFF refuses the packet. `code` is a TransactionCode (an int, as
// variadic arguments need).
void SendPacket(CameraController* c, int32_t code, ...);

// Frame-end callback of every channel: 2 (complete) when the collected bytes
// end in FF, else 0. A frame that does not open as a packet does (a reply's
// header and kind, an echo, an own packet back) begins at its last header
// byte (8x..Fx) before the FF: stray bytes ahead of it (a camera powering up,
// a cable plugged in) are cut off as noise (3).
uint32_t PacketEndTest(uint8_t* frame, int32_t* length);
// Noise the packet-end test cut off: the only frames it hands on that do not
// end in FF.
bool IsNoise(const uint8_t* frame, uint32_t length);

// The low nibbles of `count` bytes, first byte most significant.
uint32_t DecodeNibbles(const uint8_t* bytes, int32_t count);
