// Pan/tilt cameras: the packets that drive, stop, send home and place the
// head, and the answers to the position and maximum-speed inquiries. Pure, so
// the engine, the front ends and the tests build and read the same bytes.
#pragma once

#include <cstdint>

// Directions in a drive command: PP for pan, TT for tilt.
constexpr uint8_t kPanLeft = 0x01;
constexpr uint8_t kPanRight = 0x02;
constexpr uint8_t kTiltUp = 0x01;
constexpr uint8_t kTiltDown = 0x02;
constexpr uint8_t kAxisStands = 0x03;

// What a camera that refuses the maximum-speed inquiry is taken to allow.
constexpr int32_t kDefaultPanMaxSpeed = 0x18;
constexpr int32_t kDefaultTiltMaxSpeed = 0x14;
// A speed byte never goes past this.
constexpr int32_t kHighestSpeed = 0x7F;

// Payloads after 8x (01 06 ...), FF not included; the longest is 13 bytes.
constexpr int32_t kPanTiltPayloadCapacity = 13;
// Signed speeds: negative left or down, 0 stands, each clamped to its
// maximum (a standing axis still carries speed 1). Returns the length.
int32_t DrivePayload(int32_t panSpeed, int32_t tiltSpeed, int32_t panMax, int32_t tiltMax, uint8_t* out);
int32_t HomePayload(uint8_t* out);
// Positions as signed 16-bit numbers in four nibbles each; speeds 1..maximum.
int32_t AbsolutePayload(int32_t pan, int32_t tilt, int32_t panSpeed, int32_t tiltSpeed, int32_t panMax, int32_t tiltMax,
                        uint8_t* out);
int32_t PositionInquiryPayload(uint8_t* out);
int32_t MaxSpeedInquiryPayload(uint8_t* out);

// A magnitude clamped to 1..max, its sign kept; 0 stays 0.
int32_t ClampSpeed(int32_t speed, int32_t max);
// A pan speed of 1..panMax as the matching tilt speed of 1..tiltMax.
int32_t ScaledTiltSpeed(int32_t panSpeed, int32_t panMax, int32_t tiltMax);
// Whether a position fits the absolute command's four signed nibbles.
bool FitsAbsolutePosition(int32_t value);

// y0 50 with four pan nibbles (or five) and four tilt nibbles, FF: false for
// any other length or a byte above 0x0F.
bool DecodePanTiltPosition(const uint8_t* packet, uint32_t length, int32_t* pan, int32_t* tilt);
// y0 50 ww zz FF with both maxima in 1..0x7F: false otherwise.
bool DecodeMaxSpeeds(const uint8_t* packet, uint32_t length, int32_t* panMax, int32_t* tiltMax);
