// What the three parts of the recovery of lines and cameras share: watching
// lines, checking a line again, silent cameras.
#pragma once

#include "engine/core/camera_controller.h"

#include <cstdint>

// Until a line is checked again after a network change.
constexpr uint32_t kNetworkChangeDelayMs = 500;
// A lost port is tried again this often.
constexpr uint32_t kReopenEveryMs = 1000;
// After a port opened again, before the address set goes out.
constexpr uint32_t kReopenSettleMs = 50;
// A silent line (no reply at all) with a camera marked "(no answer)" gets an
// address set this often.
constexpr uint32_t kSilentLineCheckMs = 1000;

// The line is to be addressed and initialised again; a silent line's probe,
// which finds nobody most of the time, does it without status texts until
// someone answers.
inline void MakeCheckDue(LineWatch& w, bool quiet) {
  w.state = LINE_CHECK_DUE;
  w.quietCheck = quiet;
}

bool IsNetworkChange(const uint8_t* packet, uint32_t length);
void NoteNetworkChange(CameraController* c, int32_t line, uint32_t now);
// Marks camera `index` "(no answer)", or clears the mark.
void SetSilent(CameraController* c, int32_t index, bool silent);
// Marks camera `index` "(no answer)" as one its line's echo did not count: it
// is not there, so it does not make the line silent (its return announces
// itself with a network change).
void SetMissing(CameraController* c, int32_t index);
// No camera marked, for the threads that read the marks.
void ClearMarks(CameraController* c);
// Brings the list entries in line with the marks; appends entries for records
// added since the list was filled once no line is being checked again.
void SyncListEntries(CameraController* c);
// Discovery is over (the list filled, or no camera found to fill it), the
// engine idle and no click waits: a line's check may begin or go on.
inline bool EngineFree(const CameraController* c) {
  return (c->listReady.load() != 0 || c->recovery.discoveryOver) && c->phase.load() == PHASE_IDLE &&
         c->stage.load() == STAGE_NONE && !c->initialising && c->pendingSelection.load(std::memory_order_acquire) < 0;
}
// EngineFree, and no line is being checked.
inline bool CheckCanStart(const CameraController* c) { return EngineFree(c) && c->recovery.activeLine < 0; }
// Begins checking the first line whose check is due, when one may begin.
void StartDueCheck(CameraController* c, uint32_t now);
// A line's check or an initialisation (of a line checked again, of every
// camera at start-up or after a refusal) cut short by a time-out or an error
// reply goes on without the camera that failed; one whose reply was overdue
// is marked "(no answer)" and found again as a silent camera is.
void NoticeAbortedRecovery(CameraController* c);
// A packet came while the camera in a transaction awaited a reply: when it
// is that camera's own, the camera is no longer missing replies, and one
// marked "(no answer)" gets its line checked again.
void NoteCameraAnswered(CameraController* c);
// Asks a marked camera other than the polled one, on a line that still
// carries replies, for its power once a second, so it is found again when it
// answers (a silent line's own check does that there).
void ProbeSilentCamera(CameraController* c, uint32_t now);
void ProbeDeadline(const CameraController* c, uint32_t now, uint32_t* wait);
// Milliseconds from `now` until more than `afterMs` have passed since `since`.
inline uint32_t MsLeft(uint32_t now, uint32_t since, uint32_t afterMs) {
  const uint32_t elapsed = now - since;
  return elapsed > afterMs ? 0 : afterMs + 1 - elapsed;
}
