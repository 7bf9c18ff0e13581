// Matches every request the operator puts with the commands its camera
// received, in order, or with a drop rule the engine is allowed: the queue
// was full, the camera index was out of range, the camera already reported
// the value, the camera's line was gone, or the camera was marked as not
// answering while the request waited. Whatever is left is a lost request.
// Requests with the same bytes make a command ambiguous (one the engine
// dropped and a later one it sent look alike), so each camera keeps every
// reading of its commands so far and counts the one with the fewest lost.
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
  void ObserveModel(int camera, int32_t modelCode, uint32_t tick, const char* activity);
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

  // Totals so far, each camera counted by its best reading.
  uint64_t Requests() const { return requests; }
  uint64_t Delivered() const;
  uint64_t Dropped(SoakDrop rule) const;
  uint64_t Lost() const;
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
  struct Tally {
    uint64_t delivered = 0;
    uint64_t dropped[DROP_RULES] = {};
    uint64_t lost = 0;
    // The first lost requests, for the notes (no heap: readings are built in
    // the threads that pump the lines).
    struct Missed {
      uint32_t code;
      int32_t a;
      uint32_t tick;
      int32_t lastSeen;  // INT32_MIN for a request with no reported field
      bool noCommand;    // the request has no command known
    };
    Missed missed[kMaxNotes];
    size_t missedCount = 0;
    bool BetterThan(const Tally& other) const;
  };
  // One reading of the commands so far: the requests before `next` (counted
  // over the whole run) are settled as `tally` says.
  struct Path {
    uint64_t next;
    Tally tally;
  };
  struct Camera {
    SoakCamera info;
    std::deque<Waiter> waiting;
    uint64_t first;  // the number of waiting.front() in the run
    std::vector<Path> paths;
    bool gone;
    bool marked;
    bool modelWrong;
  };

  // A drop rule explains a request that did not arrive.
  static bool Droppable(const Waiter& w);
  static void Settle(const Waiter& w, Tally* tally);
  static constexpr uint64_t kNoPath = UINT64_MAX;
  // Room for the readings of twice the engine's queue of requests waiting.
  static constexpr size_t kReadingsPrepared = 512;
  static void Prepare(std::vector<Path>* readings);
  // Keeps the better reading of those that end before the same request.
  static void Offer(const Camera& camera, const Path& path, std::vector<Path>* byEnd);
  // Every way a command can end the waits of `path`, offered to `byEnd`.
  void Extend(int camera, const Path& path, const uint8_t* packet, int length, bool initialisation,
              std::vector<Path>* byEnd) const;
  // Forgets requests every reading has settled (readings in their order); a
  // single reading is counted for good.
  void Narrow(Camera* camera);
  const Path& Best(const Camera& camera) const;
  void Count(int camera, const Tally& tally);

  std::vector<Camera> cameras;
  uint64_t requests = 0;
  Tally counted;
  std::vector<Path> byEnd;  // Received's readings being built
  uint64_t unexpected = 0;
  uint64_t modelMisreads = 0;
  std::vector<std::string> notes;
  size_t lostNoted = 0, oddNotes = 0;
};

const char* DropRuleName(SoakDrop rule);
