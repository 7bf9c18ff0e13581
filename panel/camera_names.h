// The names the panel shows: the store the front end opened, a camera's key
// in it and the camera list's entry text.
#pragma once

#include "engine/orvalix_engine.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

struct NamesStore;

// Null: no names (the Parts' texts). Set before the engine is created and
// cleared after it is destroyed; read on any thread.
extern std::atomic<NamesStore*> pNames;

// Room for "Camera 70: " a name of 31 characters and " (no answer)".
constexpr size_t kCameraEntryChars = 64;

// Camera `index`'s section in the names, "COM1 2"; false when there is no such camera.
bool CameraNamesKey(const CameraController* c, int32_t index, char* key, size_t size);
// "Camera N" or "Camera N: NAME", then " (no answer)" while it does not answer.
void CameraEntryText(const CameraController* c, int32_t index, bool answering, char* out, size_t size);
