// The camera's side and the program's memory while the listener is abused:
// the packets camsim's transcript shows going to the cameras, and VmRSS.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kWatchPackets = 65536;
constexpr int kPacketBytes = 16;

struct SentPacket {
  uint64_t us = 0;
  int line = 0;
  int length = 0;
  uint8_t bytes[kPacketBytes] = {};
};

struct CameraWatch {
  const char* path = nullptr;
  long offset = 0;  // how far the transcript has been read
  int count = 0;
  int lost = 0;  // packets past kWatchPackets
  SentPacket packets[kWatchPackets];
};

// The packets written to the transcript since the last call, kept in order.
void WatchRead(CameraWatch* w);
// The median spacing of line `line`'s packets from packet `from` on (0: too few).
uint64_t MedianGapUs(const CameraWatch& w, int line, int from);
// The longest spacing of `line`'s packets from packet `from` on, and when it ended.
uint64_t LongestGapUs(const CameraWatch& w, int line, int from, uint64_t* endUs);
// Packets from `from` on whose bytes after the address begin with `head`.
int CountSent(const CameraWatch& w, int from, const uint8_t* head, int length);
// VmRSS of process `pid` in kB, -1 when unknown.
long RssKb(int pid);
