// Lines that vanish and cameras that fall silent, and how they come back
// without a restart. A port whose device went away is closed at once and
// opened again every second (a network line whose connection dropped
// connects again by itself); a port that is back, a line whose camera
// announced a network change and a silent line with a camera that stopped
// answering are addressed again and their cameras initialised again, every
// record keeping its index and list entry. Worker only, like the engine state.
#pragma once

#include "engine/core/camera_controller.h"

#include <cstdint>

// Puts the recovery's events table in force for `c`, before its conversation
// is reset (creation).
void InstallLineRecovery(CameraController* c);
// Nothing lost, nothing silent (a new controller).
void ResetLineRecovery(CameraController* c);

// First in every worker step: closes the lines whose device went away (their
// transaction ends at once), tries lost ones again, takes network-change
// packets waiting on other lines, keeps the list entries up to date, and
// starts checking a line again when the engine is idle and one is due.
void LineRecoveryStep(CameraController* c);
// A network line's connection dropped: handled as a port whose device went
// away, but left open, as it connects again by itself.
void NetworkLineLost(CameraController* c, int32_t line);
// A network line lost before is up again: it settles and is checked and
// initialised again, as a port opened again is.
void NetworkLineBack(CameraController* c, int32_t line);
// The engine went idle within the step: a line due to be checked again, or
// one whose check or initialisation was cut short, goes on before the next
// request, so a busy queue cannot keep it waiting. True when it did.
bool LineRecoveryTakesTurn(CameraController* c);
// Narrows `*wait` to the milliseconds until LineRecoveryStep has work.
void LineRecoveryDeadline(CameraController* c, uint32_t now, uint32_t* wait);

// The reply state machine read a packet from the current line: false when it
// was a network change, which is taken note of and nothing else, or the
// controller's own packet come back round the chain, which is passed over.
bool NoteReceivedPacket(CameraController* c);
// The transaction in flight is ending because its reply is overdue.
void NoteReplyOverdue(CameraController* c);

// A line checked again takes only the echo of its own broadcast (88 30 ..,
// 88 01 ..), a datagram line a packet of its camera at address 1 (90 ..),
// for its answer: true for anything else (a late reply, noise), which is
// passed over while the echo is awaited. Discovery takes any packet.
bool NotALineCheckEcho(const CameraController* c);
// A silent line is being probed: its address sets show no status text.
bool QuietLineCheck(const CameraController* c);
// The line being checked again echoed the address set announcing `announced`
// cameras (AnnouncedCameras): its records are matched by address, new ones added after the last.
// False when no line is being checked again (discovery creates the records).
bool MatchRecoveredRecords(CameraController* c, int32_t announced);
// The interface clear's echo came: true when it was a line checked again,
// whose cameras' initialisation begins now.
bool StartRecoveredInitialisation(CameraController* c);
// No camera answered a line checked again: true when that was the case (its
// port stays open and is checked again later).
bool RecoveryCheckFailed(CameraController* c);
// Whether camera `index` is initialised in the initialisation running now;
// true also notes that its initialisation begins.
bool TakeInitialisation(CameraController* c, int32_t index);
// Camera `index` reached the end of its initialisation (or was passed over).
void NoteCameraInitialised(CameraController* c, int32_t index);
// The last camera of an initialisation is done: true when it ended a line's
// recovery, whose status and list entries are then shown.
bool FinishLineRecovery(CameraController* c);

// Line `line` is lost, or open again but not yet settled: discovery passes it
// over, and it is checked once discovery is over.
bool LineOutOfService(const CameraController* c, int32_t line);
// Line `line` is being addressed: when discovery does it, a check due on it
// since it came back is this one (a line checked again is no longer due).
void NoteDiscoveryCheck(CameraController* c, int32_t line);
// Discovery is over: a line lost during it is checked once it is back, even
// when no camera was found and no list filled.
void NoteDiscoveryOver(CameraController* c);
// The camera list was filled: a camera passed over reads "(no answer)"
// before the list is ready.
void NoteListFilled(CameraController* c);
// Camera `index` is beyond the chain its line's last check found: it is
// asked nothing until its network change announces it again.
bool CameraMissing(const CameraController* c, int32_t index);
// The longest reply wait camera `index`'s next transaction gets: 0 (no limit)
// while it answers, the first-reply wait once it missed a reply, the wait
// after a completion once it is marked "(no answer)".
int32_t ReplyWaitCapMs(const CameraController* c, int32_t index);
// How long the line must have been quiet before the idle poll asks the
// selected camera: 200 ms, a second for a camera marked "(no answer)", never
// for one whose line is lost or that is beyond its chain.
uint32_t PollSpacingMs(const CameraController* c);
