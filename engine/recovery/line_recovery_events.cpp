// The recovery's side of the events table the conversation raises.
#include "engine/recovery/line_recovery.h"

namespace {

const RecoveryEvents kLineRecoveryEvents = {
    ResetLineRecovery,   NoteReceivedPacket, NoteReplyOverdue,      NotALineCheckEcho,
    ReplyWaitCapMs,      PollSpacingMs,      CameraMissing,         LineOutOfService,
    NoteDiscoveryCheck,  QuietLineCheck,     MatchRecoveredRecords, StartRecoveredInitialisation,
    RecoveryCheckFailed, NoteDiscoveryOver,  TakeInitialisation,    NoteCameraInitialised,
    FinishLineRecovery,  NoteListFilled,     NetworkLineLost,       NetworkLineBack,
};

}  // namespace

void InstallLineRecovery(CameraController* c) { c->events = &kLineRecoveryEvents; }
