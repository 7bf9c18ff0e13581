// What the line sends back to the controller: bytes with the time each may
// leave, kept in time order (first come, first out among equal times), with
// optional pacing at 38400 baud.
#pragma once

#include <cstdint>

struct SimOutput {
  static constexpr int kMaxChunks = 1024;
  static constexpr int kChunkBytes = 32;
  static constexpr uint64_t kByteUs = 261;  // 10 bits at 38400 baud, rounded up

  struct Chunk {
    uint64_t dueUs;
    uint8_t bytes[kChunkBytes];
    int length;
    int offset;
  };

  Chunk chunks[kMaxChunks];
  int count = 0;
  uint64_t lastByteUs = 0;
  bool pacing = false;

  // Bytes beyond the queue's capacity are lost, like a flooded line.
  void Schedule(uint64_t dueUs, const uint8_t* data, int length);
  // 1 and the next byte when it is due at nowUs.
  int ReadByte(uint64_t nowUs, uint8_t* byte);
  // When the next byte can be read; UINT64_MAX when none is queued.
  uint64_t NextDueUs() const;
};
