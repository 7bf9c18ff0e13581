#include "tools/src/soak/soak_outages.h"

#include <cstdio>

void SoakOutages::Began(int line, int camera, uint32_t now) {
  outages.push_back(SoakOutage{line, camera, now, 0, 0, false, false});
}

void SoakOutages::Ended(uint32_t now) {
  if (outages.empty() || outages.back().ended) return;
  outages.back().backMs = now;
  outages.back().ended = true;
}

// An earlier outage of the line whose recovery its next outage overtook
// stays out: the line back now is the later one's recovery.
bool SoakOutages::LineBack(int line, uint32_t now) {
  for (size_t i = outages.size(); i-- > 0;) {
    SoakOutage& o = outages[i];
    if (o.line != line) continue;
    if (!o.ended || o.inService) return false;
    o.inService = true;
    o.inServiceMs = now;
    return true;
  }
  return false;
}

bool SoakOutages::Settled(uint32_t now) const {
  if (outages.empty()) return true;
  const SoakOutage& o = outages.back();
  return o.inService || (o.ended && now - o.backMs >= kGraceMs);
}

size_t SoakOutages::Unrecovered() const {
  size_t count = 0;
  for (const SoakOutage& o : outages)
    if (!Recovered(o)) count++;
  return count;
}

void NameOutage(const SoakOutage& o, uint32_t startMs, char* out, size_t size) {
  const double atS = (o.outMs - startMs) / 1000.0;
  if (o.camera < 0) {
    snprintf(out, size, "COM%d unplugged at %.1f s", o.line + 1, atS);
  } else {
    snprintf(out, size, "camera %d (COM%d) off at %.1f s", o.camera + 1, o.line + 1, atS);
  }
}

void DescribeOutage(const SoakOutage& o, uint32_t startMs, char* out, size_t size) {
  char name[64];
  NameOutage(o, startMs, name, sizeof name);
  if (!o.ended) {
    snprintf(out, size, "%s, never ended", name);
    return;
  }
  const double forS = (o.backMs - o.outMs) / 1000.0;
  if (!o.inService) {
    snprintf(out, size, "%s for %.1f s, never back in service", name, forS);
    return;
  }
  snprintf(out, size, "%s for %.1f s, back in service %u ms after %s%s", name, forS, o.inServiceMs - o.backMs,
           o.camera < 0 ? "its return" : "power-on", SoakOutages::Recovered(o) ? "" : ", past the grace");
}
