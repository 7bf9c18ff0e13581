// Every outage of the soak, a line unplugged or a camera switched off, and
// whether its line came back in service: announced back with all its cameras
// after the outage ended, before the line's next outage and within the grace.
// An outage that did not is a camera the engine failed to bring back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct SoakOutage {
  int line;
  int camera;  // the camera switched off, counted over every line; -1: the line unplugged
  uint32_t outMs, backMs, inServiceMs;
  bool ended;      // switched on or plugged in again, at backMs
  bool inService;  // its line announced back, at inServiceMs
};

class SoakOutages {
 public:
  // From an outage's end until its line must be in service. A line's check
  // waits for the one worker, which faults may hold with a 10 s transaction,
  // a re-initialisation of every camera or the checks of other lines; 16 s
  // has been seen that way. No outage begins while the last one is within it.
  static constexpr uint32_t kGraceMs = 30000;

  // One outage at a time: Ended closes the one begun last.
  void Began(int line, int camera, uint32_t now);
  void Ended(uint32_t now);
  // The line was announced back with all its cameras: true when that ends
  // the recovery of its last outage.
  bool LineBack(int line, uint32_t now);
  // Whether the next outage may begin: the last one is back in service or
  // its grace is over.
  bool Settled(uint32_t now) const;

  static bool Recovered(const SoakOutage& o) { return o.inService && o.inServiceMs - o.backMs <= kGraceMs; }
  size_t Unrecovered() const;
  const std::vector<SoakOutage>& All() const { return outages; }

 private:
  std::vector<SoakOutage> outages;
};

// "camera 4 (COM3) off at 37.7 s", "COM1 unplugged at 6.7 s": from `startMs`.
void NameOutage(const SoakOutage& o, uint32_t startMs, char* out, size_t size);
// The name, how long it lasted and when its line was back in service.
void DescribeOutage(const SoakOutage& o, uint32_t startMs, char* out, size_t size);
