// The engine's one road onto the wire, and the two small operations every
// reply passes through.
#pragma once

#include "engine/camera_controller.h"

#include <cstdint>

// Transaction code of every dispatcher command except the preset saves.
constexpr int32_t TX_COMMAND = 8;
constexpr int32_t TX_PRESET_SAVE = 15;

// Frames 8x <payload> FF for the record named by `camera`, stamps `sendTick`,
// queues it on the channel named by `port`, and sets `mode` to the code and
// `stage` to 4 for an inquiry (first byte 09) or 2 for a command. The payload
// bytes are ints closed by a negative value; a payload over 14 bytes, an
// empty one or one with a value above 0xFF is refused and nothing changes.
void SendPacket(CameraController* c, int32_t code, ...);

// Frame-end callback of every channel: stamps lastRxTick, then 2 (complete)
// when the collected bytes end in FF, else 0.
uint32_t PacketEndTest(uint8_t* frame, int32_t* length);

// The low nibbles of `count` bytes, first byte most significant.
uint32_t DecodeNibbles(const uint8_t* bytes, int32_t count);
