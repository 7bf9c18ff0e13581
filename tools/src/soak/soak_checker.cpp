#include "tools/src/soak/soak_checker.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

const char* DropRuleName(SoakDrop rule) {
  switch (rule) {
    case DROP_FULL_QUEUE:
      return "full queue";
    case DROP_INDEX_OUT_OF_RANGE:
      return "camera index out of range";
    case DROP_VALUE_UNCHANGED:
      return "value unchanged";
    case DROP_LINE_GONE:
      return "line gone";
    case DROP_NO_ANSWER:
      return "camera marked no answer";
    default:
      return "?";
  }
}

// Readings are built in the threads that pump the lines; buffers made before
// the run keep those threads from allocating, and the resident memory the
// soak checks flat.
void SoakChecker::Prepare(std::vector<Path>* readings) {
  readings->assign(kReadingsPrepared, Path{kNoPath, {}});
  readings->clear();
}

void SoakChecker::AddCamera(const SoakCamera& camera) {
  if (cameras.size() >= kMaxCameras) return;
  cameras.reserve(kMaxCameras);  // a camera copied on growth would lose its buffers
  cameras.push_back(Camera{camera, {}, 0, {}, false, false, false});
  Prepare(&cameras.back().paths);
  cameras.back().paths.push_back(Path{0, {}});
  if (byEnd.capacity() < kReadingsPrepared) Prepare(&byEnd);
}

bool SoakChecker::Expect(uint32_t cameraIndex, uint32_t code, int32_t a, uint32_t tick) {
  requests++;
  if (cameraIndex >= cameras.size()) {
    counted.dropped[DROP_INDEX_OUT_OF_RANGE]++;
    return false;
  }
  Camera& camera = cameras[cameraIndex];
  SoakCommand command = ExpectedCommand(code, a, camera.info.address, camera.info.modelCode);
  camera.waiting.push_back(Waiter{code, a, tick, command, false, -1, camera.gone, camera.marked});
  return true;
}

void SoakChecker::QueueRefused(uint32_t cameraIndex) {
  if (cameraIndex >= cameras.size() || cameras[cameraIndex].waiting.empty()) return;
  cameras[cameraIndex].waiting.pop_back();
  counted.dropped[DROP_FULL_QUEUE]++;
}

void SoakChecker::Withdraw(uint32_t cameraIndex) {
  requests--;
  if (cameraIndex >= cameras.size()) {
    counted.dropped[DROP_INDEX_OUT_OF_RANGE]--;
    return;
  }
  if (!cameras[cameraIndex].waiting.empty()) cameras[cameraIndex].waiting.pop_back();
}

void SoakChecker::ObserveFields(int camera, int32_t aperture, int32_t rGain, int32_t bGain) {
  if (camera < 0 || camera >= CameraCount()) return;
  for (Waiter& w : cameras[camera].waiting) {
    int32_t reported;
    switch (w.command.field) {
      case FIELD_APERTURE:
        reported = aperture;
        break;
      case FIELD_R_GAIN:
        reported = rGain;
        break;
      case FIELD_B_GAIN:
        reported = bGain;
        break;
      default:
        continue;
    }
    if (reported == w.a) w.seenEqual = true;
    w.lastSeen = reported;
  }
}

bool SoakChecker::Tally::BetterThan(const Tally& other) const {
  return lost != other.lost ? lost < other.lost : delivered > other.delivered;
}

bool SoakChecker::Droppable(const Waiter& w) {
  if (w.command.length == 0) return false;
  return (w.command.field != FIELD_NONE && w.seenEqual) || w.goneSeen || w.markedSeen;
}

// A request that did not reach its camera.
void SoakChecker::Settle(const Waiter& w, Tally* tally) {
  if (w.command.length != 0) {
    if (w.command.field != FIELD_NONE && w.seenEqual) {
      tally->dropped[DROP_VALUE_UNCHANGED]++;
      return;
    }
    if (w.goneSeen) {
      tally->dropped[DROP_LINE_GONE]++;
      return;
    }
    if (w.markedSeen) {
      tally->dropped[DROP_NO_ANSWER]++;
      return;
    }
  }
  tally->lost++;
  if (tally->missedCount >= kMaxNotes) return;
  const int32_t seen = w.command.field != FIELD_NONE ? w.lastSeen : INT32_MIN;
  tally->missed[tally->missedCount++] = Tally::Missed{w.code, w.a, w.tick, seen, w.command.length == 0};
}

void SoakChecker::Offer(const Camera& camera, const Path& path, std::vector<Path>* byEnd) {
  Path& slot = (*byEnd)[path.next - camera.first];
  if (slot.next == kNoPath || path.tally.BetterThan(slot.tally)) slot = path;
}

// Any waiting request with the command's bytes may be the one it answers, the
// ones ahead of it settled. Initialisation sends the power-on a power request
// sends too: while one ahead still waits with no rule to drop it, the packet
// is initialisation's, not this request's.
void SoakChecker::Extend(int camera, const Path& path, const uint8_t* packet, int length, bool initialisation,
                         std::vector<Path>* byEnd) const {
  const Camera& cam = cameras[camera];
  Path run = path;
  bool matched = false;
  for (size_t i = path.next - cam.first; i < cam.waiting.size(); i++) {
    const Waiter& w = cam.waiting[i];
    if (w.command.length == length && memcmp(w.command.bytes, packet, static_cast<size_t>(length)) == 0) {
      Path taken = run;
      taken.next = cam.first + i + 1;
      taken.tally.delivered++;
      Offer(cam, taken, byEnd);
      matched = true;
    }
    if (initialisation && !Droppable(w)) break;
    Settle(w, &run.tally);
  }
  if (initialisation && !matched) Offer(cam, path, byEnd);
}

void SoakChecker::Count(int camera, const Tally& tally) {
  counted.delivered += tally.delivered;
  counted.lost += tally.lost;
  for (int rule = 0; rule < DROP_RULES; rule++) counted.dropped[rule] += tally.dropped[rule];
  for (size_t k = 0; k < tally.missedCount && lostNoted < kMaxNotes; k++, lostNoted++) {
    const Tally::Missed& m = tally.missed[k];
    char text[160];
    int at = snprintf(text, sizeof text, "%s: camera %d request %u a=%d put at %u ms",
                      m.noCommand ? "no command known" : "lost", camera + 1, m.code, m.a, m.tick);
    if (m.lastSeen != INT32_MIN && at > 0 && at < static_cast<int>(sizeof text))
      snprintf(text + at, sizeof text - static_cast<size_t>(at), ", last reported %d", m.lastSeen);
    notes.push_back(text);
  }
}

const SoakChecker::Path& SoakChecker::Best(const Camera& camera) const {
  const Path* best = &camera.paths.front();
  for (const Path& path : camera.paths)
    if (path.tally.BetterThan(best->tally) || (!best->tally.BetterThan(path.tally) && path.next > best->next))
      best = &path;
  return *best;
}

void SoakChecker::Narrow(Camera* camera) {
  const uint64_t settled = camera->paths.front().next;
  camera->waiting.erase(camera->waiting.begin(), camera->waiting.begin() + static_cast<long>(settled - camera->first));
  camera->first = settled;
  if (camera->paths.size() != 1) return;
  Count(static_cast<int>(camera - cameras.data()), camera->paths.front().tally);
  camera->paths.front().tally = Tally{};
}

void SoakChecker::Received(int camera, const uint8_t* packet, int length, uint32_t tick) {
  // Only commands addressed to the camera answer requests; inquiries and
  // broadcasts are the engine's own.
  if (camera < 0 || camera >= CameraCount() || length < 3 || packet[0] == 0x88 || packet[1] != 0x01) return;
  Camera& cam = cameras[camera];
  const bool initialisation = IsInitialisationCommand(packet, length);
  // One reading for each request the packet may end with, in their order;
  // the buffers are kept, so a long queue does not churn the heap.
  byEnd.assign(cam.waiting.size() + 1, Path{kNoPath, {}});
  for (const Path& path : cam.paths) Extend(camera, path, packet, length, initialisation, &byEnd);
  byEnd.erase(std::remove_if(byEnd.begin(), byEnd.end(), [](const Path& path) { return path.next == kNoPath; }),
              byEnd.end());
  if (!byEnd.empty()) {
    cam.paths.swap(byEnd);
    Narrow(&cam);
    return;
  }
  unexpected++;
  if (oddNotes >= kMaxNotes) return;
  oddNotes++;
  char text[160];
  int at = snprintf(text, sizeof text, "unexpected command to camera %d at %u ms:", camera + 1, tick);
  for (int i = 0; i < length && at > 0 && at < static_cast<int>(sizeof text) - 4; i++)
    at += snprintf(text + at, sizeof text - static_cast<size_t>(at), " %02X", packet[i]);
  notes.push_back(text);
}

void SoakChecker::ObserveModel(int camera, int32_t modelCode, uint32_t tick, const char* activity) {
  if (camera < 0 || camera >= CameraCount()) return;
  Camera& cam = cameras[camera];
  bool wrong = modelCode != cam.info.modelCode;
  if (wrong && !cam.modelWrong) {
    modelMisreads++;
    if (modelMisreads <= kMaxNotes) {
      char text[160];
      snprintf(text, sizeof text, "camera %d taken for model 0x%02X at %u ms (%s)", camera + 1, modelCode, tick,
               activity);
      notes.push_back(text);
    }
  }
  cam.modelWrong = wrong;
}

void SoakChecker::LineGone(int camera) {
  if (camera < 0 || camera >= CameraCount()) return;
  cameras[camera].gone = true;
  for (Waiter& w : cameras[camera].waiting) w.goneSeen = true;
}

void SoakChecker::LineBack(int camera) {
  if (camera >= 0 && camera < CameraCount()) cameras[camera].gone = false;
}

void SoakChecker::ObserveMarked(int camera, bool marked) {
  if (camera < 0 || camera >= CameraCount()) return;
  cameras[camera].marked = marked;
  if (!marked) return;
  for (Waiter& w : cameras[camera].waiting) w.markedSeen = true;
}

void SoakChecker::Finish() {
  for (int camera = 0; camera < CameraCount(); camera++) {
    Camera& cam = cameras[camera];
    for (Path& path : cam.paths) {
      for (size_t i = path.next - cam.first; i < cam.waiting.size(); i++) Settle(cam.waiting[i], &path.tally);
      path.next = cam.first + cam.waiting.size();
    }
    cam.paths = {Best(cam)};
    Narrow(&cam);
  }
}

size_t SoakChecker::Waiting(int camera) const {
  if (camera < 0 || camera >= CameraCount()) return 0;
  const Camera& cam = cameras[camera];
  return static_cast<size_t>(cam.first + cam.waiting.size() - Best(cam).next);
}

uint64_t SoakChecker::Delivered() const {
  uint64_t sum = counted.delivered;
  for (const Camera& camera : cameras) sum += Best(camera).tally.delivered;
  return sum;
}

uint64_t SoakChecker::Dropped(SoakDrop rule) const {
  uint64_t sum = counted.dropped[rule];
  for (const Camera& camera : cameras) sum += Best(camera).tally.dropped[rule];
  return sum;
}

uint64_t SoakChecker::Lost() const {
  uint64_t sum = counted.lost;
  for (const Camera& camera : cameras) sum += Best(camera).tally.lost;
  return sum;
}
