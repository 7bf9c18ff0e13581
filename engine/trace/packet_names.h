// Short names of VISCA packets for the traffic trace: what the program sends
// and the kinds of reply it takes in.
#pragma once

#include <cstdint>

// The name of a packet sent to a camera ("zoom position?", "freeze on"), or
// null when the program never sends one like it.
const char* SentPacketName(const uint8_t* packet, int32_t length);
// The kind of a received packet: "ack", "completion", "answer", "error:
// syntax", "address set", ... Never null.
const char* ReplyName(const uint8_t* packet, int32_t length);
