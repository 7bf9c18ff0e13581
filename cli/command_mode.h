// orvalix-cli --stdin: commands for scripts, one a line, run once discovery
// and initialisation have ended: the command language (command/), its
// outcomes printed as lines, and the CLI's own `wait`.
#pragma once

#include "engine/orvalix_engine.h"
#include "names/names_store.h"

#include <cstddef>
#include <cstdint>

// What orvalix-cli's loop offers the commands.
struct CliFrontEnd {
  void (*pump)(CameraController* c);                   // one turn of the user-interface loop
  void (*select)(CameraController* c, int32_t index);  // a click in the camera list
  void (*mirror)(CameraController* c, int32_t index, uint32_t code,
                 int32_t a);                                        // the check boxes a request's click sets
  void (*statusText)(CameraController* c, char* out, size_t size);  // the status line as it stands
  bool (*stopWanted)();  // Ctrl+C or SIGTERM came: ends the input as its end would
};

// Longest wait for what was put to be carried out, at quit or end of input.
constexpr uint32_t kCarryOutLimitMs = 15000;

// Runs the commands read from `fd` until "quit" or the end of input, then
// waits until what was put has been carried out. `selected` is the camera
// index in force at the start (-1: none); `names` may be null.
void RunCommandMode(CameraController* c, int fd, const CliFrontEnd& fe, int32_t selected, NamesStore* names);
// Pumps until the request queue and the raw mailbox are empty and the engine
// idle, at most `limitMs`. False when the limit ended it.
bool WaitUntilCarriedOut(CameraController* c, const CliFrontEnd& fe, uint32_t limitMs);
