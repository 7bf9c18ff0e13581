#include "tools/src/soak/soak_checker.h"

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

void SoakChecker::AddCamera(const SoakCamera& camera) {
  if (cameras.size() < kMaxCameras) cameras.push_back(Camera{camera, {}, false, false, false});
}

bool SoakChecker::Expect(uint32_t cameraIndex, uint32_t code, int32_t a, uint32_t tick) {
  requests++;
  if (cameraIndex >= cameras.size()) {
    dropped[DROP_INDEX_OUT_OF_RANGE]++;
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
  dropped[DROP_FULL_QUEUE]++;
}

void SoakChecker::Withdraw(uint32_t cameraIndex) {
  requests--;
  if (cameraIndex >= cameras.size()) {
    dropped[DROP_INDEX_OUT_OF_RANGE]--;
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

void SoakChecker::Note(const char* what, int camera, const Waiter& w) {
  if (lostNotes >= kMaxNotes) return;
  lostNotes++;
  char text[160];
  int at =
      snprintf(text, sizeof text, "%s: camera %d request %u a=%d put at %u ms", what, camera + 1, w.code, w.a, w.tick);
  if (w.command.field != FIELD_NONE && at > 0 && at < static_cast<int>(sizeof text))
    snprintf(text + at, sizeof text - static_cast<size_t>(at), ", last reported %d", w.lastSeen);
  notes.push_back(text);
}

bool SoakChecker::Droppable(const Waiter& w) {
  if (w.command.length == 0) return false;
  return (w.command.field != FIELD_NONE && w.seenEqual) || w.goneSeen || w.markedSeen;
}

// A request that did not reach its camera.
void SoakChecker::Settle(int camera, const Waiter& w) {
  if (w.command.length == 0) {
    Note("no command known", camera, w);
    lost++;
  } else if (w.command.field != FIELD_NONE && w.seenEqual) {
    dropped[DROP_VALUE_UNCHANGED]++;
  } else if (w.goneSeen) {
    dropped[DROP_LINE_GONE]++;
  } else if (w.markedSeen) {
    dropped[DROP_NO_ANSWER]++;
  } else {
    Note("lost", camera, w);
    lost++;
  }
}

bool SoakChecker::AllDroppable(int camera, size_t count) const {
  for (size_t k = 0; k < count; k++) {
    if (!Droppable(cameras[camera].waiting[k])) return false;
  }
  return true;
}

void SoakChecker::Received(int camera, const uint8_t* packet, int length, uint32_t tick) {
  // Only commands addressed to the camera answer requests; inquiries and
  // broadcasts are the engine's own.
  if (camera < 0 || camera >= CameraCount() || length < 3 || packet[0] == 0x88 || packet[1] != 0x01) return;
  std::deque<Waiter>& waiting = cameras[camera].waiting;
  for (size_t i = 0; i < waiting.size(); i++) {
    const SoakCommand& want = waiting[i].command;
    if (want.length != length || memcmp(want.bytes, packet, static_cast<size_t>(length)) != 0) continue;
    // Initialisation sends the power-on a power request sends too. Requests
    // reach a camera in the order put, so while one ahead still waits with no
    // rule to drop it, the packet is initialisation's, not this request's.
    if (IsInitialisationCommand(packet, length) && !AllDroppable(camera, i)) return;
    for (size_t k = 0; k < i; k++) Settle(camera, waiting[k]);
    waiting.erase(waiting.begin(), waiting.begin() + static_cast<long>(i) + 1);
    delivered++;
    return;
  }
  if (IsInitialisationCommand(packet, length)) return;
  unexpected++;
  if (oddNotes >= kMaxNotes) return;
  oddNotes++;
  char text[160];
  int at = snprintf(text, sizeof text, "unexpected command to camera %d at %u ms:", camera + 1, tick);
  for (int i = 0; i < length && at > 0 && at < static_cast<int>(sizeof text) - 4; i++)
    at += snprintf(text + at, sizeof text - static_cast<size_t>(at), " %02X", packet[i]);
  notes.push_back(text);
}

void SoakChecker::ObserveModel(int camera, int32_t modelCode, uint32_t tick, int32_t mode) {
  if (camera < 0 || camera >= CameraCount()) return;
  Camera& cam = cameras[camera];
  bool wrong = modelCode != cam.info.modelCode;
  if (wrong && !cam.modelWrong) {
    modelMisreads++;
    if (modelMisreads <= kMaxNotes) {
      char text[160];
      snprintf(text, sizeof text, "camera %d taken for model 0x%02X at %u ms (mode %d)", camera + 1, modelCode, tick,
               mode);
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
    for (const Waiter& w : cameras[camera].waiting) Settle(camera, w);
    cameras[camera].waiting.clear();
  }
}

size_t SoakChecker::Waiting(int camera) const {
  return camera >= 0 && camera < CameraCount() ? cameras[camera].waiting.size() : 0;
}
