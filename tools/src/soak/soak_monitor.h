// Watches the engine from outside every few milliseconds: how long it stays
// busy on one piece of work, how long it waits for one reply, how long one
// camera's initialisation takes, and the reported values the checker needs.
#pragma once

#include "engine/orvalix_engine.h"
#include "tools/src/soak/soak_checker.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

// What the engine is doing, for the soak's notes: "idle", "initialising",
// "command" or "busy".
const char* ActivityOf(const ListSnapshot& list);

class SoakMonitor {
 public:
  SoakMonitor(CameraController* c, SoakChecker* checker, std::mutex* checkerLock);
  ~SoakMonitor() { Stop(); }
  void Start();
  void Stop();

  uint32_t LongestBusyMs() const { return longestBusy.load(); }
  uint32_t LongestReplyWaitMs() const { return longestWait.load(); }
  uint32_t LongestInitialisationMs() const { return longestInit.load(); }
  uint32_t Initialisations() const { return initialisations.load(); }

 private:
  void Sample(uint32_t now);
  void Run();

  CameraController* c;
  SoakChecker* checker;
  std::mutex* checkerLock;
  std::thread thread;
  std::atomic<bool> stop{false};
  uint32_t lastCommandTick = 0;  // sendTick of the last command seen
  uint32_t spanStart = 0;
  bool versionAskedBefore = false;
  bool initRunning = false;
  uint32_t initStart = 0;
  std::atomic<uint32_t> longestBusy{0};
  std::atomic<uint32_t> longestWait{0};
  std::atomic<uint32_t> longestInit{0};
  std::atomic<uint32_t> initialisations{0};
};
