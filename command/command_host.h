// The command language's side of a front end (orvalix-cli's command mode, the
// remote control): the controller, and the front end's own actions that must
// look as if the operator did them, as a table of functions. Each action gets
// `context`; an action left null does nothing.
#pragma once

#include "engine/orvalix_engine.h"
#include "names/names_store.h"

#include <cstddef>
#include <cstdint>

enum CommandOutcome { COMMAND_OK, COMMAND_ERROR, COMMAND_QUIT, COMMAND_SUBSCRIBE };

struct CommandHost {
  CameraController* controller = nullptr;
  void* context = nullptr;
  // A click in the camera list on camera `index`: highlighted, the panel shows it.
  void (*select)(void* context, int32_t index) = nullptr;
  // The Recall button `n` (1..5) clicked for camera `index`, before its requests are put.
  void (*recall)(void* context, int32_t index, int32_t n) = nullptr;
  // The check boxes the click that puts request (code, a) for camera `index`
  // sets, before it is put; only while the panel shows that camera (its boxes
  // are that camera's, and the engine reads them).
  void (*mirror)(void* context, int32_t index, uint32_t code, int32_t a) = nullptr;
  // The status line's text as it stands, cut to `size`. Any thread.
  void (*statusText)(void* context, char* out, size_t size) = nullptr;
  // Whether `raw HEX` may send a packet of its own.
  bool rawAllowed = false;
  // The request queue or the raw mailbox is full, first found so at tick
  // `since`: true to try again (the front end has served its loop), false to
  // give up. Null: a full queue is refused at once with "busy".
  bool (*awaitRoom)(void* context, uint32_t since) = nullptr;
  // The names of cameras and presets; null: none are kept.
  NamesStore* names = nullptr;
};

// What one connection or script holds between its lines.
struct CommandSession {
  int32_t selected = -1;          // the camera `select` chose, -1 for none
  bool driven[kMaxCameras] = {};  // a `move` of this session left it moving
};
