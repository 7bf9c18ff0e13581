// Matches every request the operator puts with the commands its camera
// received, in order, or with a drop rule the engine is allowed: the queue
// was full, the camera index was out of range, the camera already reported
// the value, the camera's line was gone, or the camera was marked as not
// answering while the request waited. Whatever is left is a lost request.
// Not thread-safe: the caller locks.
#pragma once

#include "tools/src/soak/soak_expect.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

enum SoakDrop {
  DROP_FULL_QUEUE,
  DROP_INDEX_OUT_OF_RANGE,
  DROP_VALUE_UNCHANGED,
  DROP_LINE_GONE,
  DROP_NO_ANSWER,
  DROP_RULES
};

struct SoakCamera {
  int32_t address;
  int32_t modelCode;
};

class SoakChecker {
 public:
  static constexpr int kMaxCameras = 8;
  static constexpr size_t kMaxNotes = 12;  // of each kind: lost requests, odd commands, models

  void AddCamera(const SoakCamera& camera);
  int CameraCount() const { return static_cast<int>(cameras.size()); }

  // A request about to be put; false when it is checked at once (index out
  // of range). Then QueueRefused when the queue did not take it.
  bool Expect(uint32_t cameraIndex, uint32_t code, int32_t a, uint32_t tick);
  void QueueRefused(uint32_t cameraIndex);
  // Takes back the request just expected, as if it had never been put.
  void Withdraw(uint32_t cameraIndex);
  // The reported fields of a camera now; a conditional request still waiting
  // that equals its field may be left unsent.
  void ObserveFields(int camera, int32_t aperture, int32_t rGain, int32_t bGain);
  // The model code the engine holds for a camera now; a wrong one is noted.
  void ObserveModel(int camera, int32_t modelCode, uint32_t tick, int32_t mode);
  uint64_t ModelMisreads() const { return modelMisreads; }
  // A packet that reached camera `camera` (header, payload, FF).
  void Received(int camera, const uint8_t* packet, int length, uint32_t tick = 0);
  // The camera's line is gone: what it has not received it may never get,
  // nor what is put until the line is back.
  void LineGone(int camera);
  void LineBack(int camera);
  // Whether the camera's list entry reads "(no answer)" now: while it does,
  // its requests may be dropped.
  void ObserveMarked(int camera, bool marked);
  // Every request still waiting is settled: by a rule, or lost.
  void Finish();

  uint64_t Requests() const { return requests; }
  uint64_t Delivered() const { return delivered; }
  uint64_t Dropped(SoakDrop rule) const { return dropped[rule]; }
  uint64_t Lost() const { return lost; }
  uint64_t Unexpected() const { return unexpected; }
  size_t Waiting(int camera) const;
  const std::vector<std::string>& Notes() const { return notes; }

 private:
  struct Waiter {
    uint32_t code;
    int32_t a;
    uint32_t tick;
    SoakCommand command;
    bool seenEqual;    // the camera reported this value while the request waited
    int32_t lastSeen;  // the reported value last observed
    bool goneSeen;     // the line was gone while the request waited
    bool markedSeen;   // the camera was marked while the request waited
  };
  struct Camera {
    SoakCamera info;
    std::deque<Waiter> waiting;
    bool gone;
    bool marked;
    bool modelWrong;
  };

  // A drop rule explains a request that did not arrive.
  static bool Droppable(const Waiter& w);
  // The first `count` requests waiting for the camera all are droppable.
  bool AllDroppable(int camera, size_t count) const;
  void Settle(int camera, const Waiter& w);
  void Note(const char* what, int camera, const Waiter& w);

  std::vector<Camera> cameras;
  uint64_t requests = 0;
  uint64_t delivered = 0;
  uint64_t dropped[DROP_RULES] = {};
  uint64_t lost = 0;
  uint64_t unexpected = 0;
  uint64_t modelMisreads = 0;
  std::vector<std::string> notes;
  size_t lostNotes = 0, oddNotes = 0;
};

const char* DropRuleName(SoakDrop rule);
