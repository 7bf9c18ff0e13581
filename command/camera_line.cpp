#include "command/camera_line.h"

#include <cstdio>
#include <cstring>

namespace {

struct Field {
  const char* name;
  int32_t CameraSnapshot::*member;
};

#define FIELD(name) \
  { #name, &CameraSnapshot::name }
const Field kFields[] = {
    {"port", &CameraSnapshot::line},
    FIELD(address),
    FIELD(zoomRequest),
    FIELD(focusAutoRequest),
    FIELD(focusRequest),
    FIELD(brightRequest),
    FIELD(aeModeRequest),
    FIELD(rGainRequest),
    FIELD(bGainRequest),
    FIELD(expCompRequest),
    FIELD(irisRequest),
    FIELD(shutterRequest),
    FIELD(apertureRequest),
    FIELD(icrRequest),
    FIELD(powerRequest),
    FIELD(zoomPos),
    FIELD(focusAuto),
    FIELD(focusPos),
    FIELD(brightPos),
    FIELD(aeMode),
    FIELD(powerOn),
    FIELD(rGain),
    FIELD(bGain),
    FIELD(freezeOn),
    FIELD(expCompPos),
    FIELD(videoOutReg),
    FIELD(irisPosInit),
    FIELD(irisPos),
    FIELD(shutterPos),
    FIELD(gainPos),
    FIELD(pictureEffect),
    FIELD(gamma),
    FIELD(pictureFlip),
    FIELD(aperture),
    FIELD(wbMode),
    FIELD(modelCode),
    FIELD(icrMode),
    FIELD(powerSwitch),
    FIELD(lastPreset),
    FIELD(panTilt),
    FIELD(panPos),
    FIELD(tiltPos),
    FIELD(panMax),
    FIELD(tiltMax),
};
#undef FIELD

// Every field of the snapshot is listed once; the line keeps the record's
// old word "port" for the camera's line.
static_assert(sizeof kFields / sizeof kFields[0] == sizeof(CameraSnapshot) / sizeof(int32_t),
              "camera line misses a record field");

// Kept free ahead of the lines for the longest first line.
constexpr size_t kHeadRoom = 64;

}  // namespace

void FormatCameraLine(const CameraSnapshot& r, int32_t index, char* out, size_t size) {
  if (size == 0) return;
  int n = snprintf(out, size, "camera %d %s address %d model 0x%02X", static_cast<int>(index + 1),
                   NameOfLine(r.line).text, static_cast<int>(r.address), static_cast<unsigned>(r.modelCode));
  for (const Field& f : kFields) {
    if (n < 0 || static_cast<size_t>(n) >= size) return;
    n += snprintf(out + n, size - static_cast<size_t>(n), " %s=%d", f.name, static_cast<int>(r.*f.member));
  }
}

void FormatCameraList(const CameraController* c, char* out, size_t size) {
  if (size == 0) return;
  size_t end = kHeadRoom;
  int32_t shown = 0, count = 0;
  CameraSnapshot r;
  for (; EngineCamera(c, count, &r); count++) {
    char line[kCameraLineChars];
    FormatCameraLine(r, count, line, sizeof line);
    const size_t n = strlen(line);
    if (shown < count || end + 1 + n >= size) continue;  // only whole lines, in order
    out[end] = '\n';
    memcpy(out + end + 1, line, n);
    end += 1 + n;
    shown++;
  }
  char head[kHeadRoom];
  if (shown == count) {
    snprintf(head, sizeof head, "%d", static_cast<int>(count));
  } else {
    snprintf(head, sizeof head, "%d of %d cameras (the reply holds no more)", static_cast<int>(shown),
             static_cast<int>(count));
  }
  if (size <= kHeadRoom) {
    snprintf(out, size, "%s", head);
    return;
  }
  const size_t h = strlen(head);
  memmove(out + h, out + kHeadRoom, end - kHeadRoom);
  memcpy(out, head, h);
  out[h + end - kHeadRoom] = 0;
}
