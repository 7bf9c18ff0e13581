// The controls the engine writes to, made in the in-memory window table, for
// programs that run the engine without a window: orvalix-cli, the soak and
// the benchmarks. No thread owns them, so the worker's calls never wait.
#pragma once

#include "platform/fakewin.h"

struct HeadlessPanel {
  HWND status;
  HWND cameraList;
};

HeadlessPanel CreateHeadlessPanel();
