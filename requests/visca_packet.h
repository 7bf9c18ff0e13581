// The frame of a VISCA packet and the kinds of reply, for everything that
// builds, reads or names packets.
#pragma once

#include <cstdint>

// A packet is 8x (x: the camera's address) or, coming back, (8 + x) << 4,
// then its bytes, then the terminator; 3 to 16 bytes in all.
constexpr uint8_t kHeaderBase = 0x80;
constexpr uint8_t kTerminator = 0xFF;
constexpr int32_t kMinPacketBytes = 3;
constexpr int32_t kMaxPacketBytes = 16;

// Reply kinds, in the high half of byte 1.
constexpr uint8_t kReplyKindMask = 0xF0;
constexpr uint8_t kAcknowledge = 0x40;
constexpr uint8_t kCompletion = 0x50;
constexpr uint8_t kError = 0x60;

// Answers carry at least one data byte; anything shorter (a late acknowledge
// or completion, a network-change packet) is never an answer.
constexpr uint32_t kMinAnswerLength = 4;
