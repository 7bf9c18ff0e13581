#include "engine/conversation/command_window.h"

void StampCommand(CameraController* c) {
  c->cmdTick = OsTickCount();
  c->cmdWindowOpen = true;
}

void ExpireCommandWindow(CameraController* c) {
  if (c->cmdWindowOpen && OsTickCount() - c->cmdTick.load() >= kReinquiryWindowMs) c->cmdWindowOpen = false;
}

uint32_t SinceCommand(CameraController* c) {
  return c->cmdWindowOpen ? OsTickCount() - c->cmdTick.load() : kWindowClosed;
}
