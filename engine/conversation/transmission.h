// The engine's one road onto the wire, and the two small operations every
// reply passes through.
#pragma once

#include "engine/conversation/engine_state.h"
#include "engine/core/camera_controller.h"

#include <cstdint>

// Stamps `sendTick`, queues the whole packet on the channel of `line` and
// traces it under `code` (TX_NONE: a broadcast).
void PutOnLine(CameraController* c, TransactionCode code, const uint8_t* packet, int32_t length);
// Frames 8x <payload> FF for the record named by `camera`, stamps `sendTick`,
// queues it on the channel of `line`, and starts transaction `code`
// awaiting an answer (inquiry, first byte 09) or an acknowledge (command).
// An empty payload or one over 14 bytes is refused and nothing changes.
void SendPayload(CameraController* c, TransactionCode code, const uint8_t* payload, int32_t length);
// The same with the payload bytes as ints closed by a negative value; a value
// above 0xFF refuses the packet. `code` is a TransactionCode (an int, as
// variadic arguments need).
void SendPacket(CameraController* c, int32_t code, ...);

// The low nibbles of `count` bytes, first byte most significant.
uint32_t DecodeNibbles(const uint8_t* bytes, int32_t count);
