#include "engine/core/recovery_events.h"

namespace {

void Nothing(CameraController*) {}
void NothingOn(CameraController*, int32_t) {}
bool Yes(CameraController*) { return true; }
bool No(CameraController*) { return false; }
bool NoFor(CameraController*, int32_t) { return false; }
bool YesFor(CameraController*, int32_t) { return true; }
bool Never(const CameraController*) { return false; }
bool NeverFor(const CameraController*, int32_t) { return false; }
int32_t NoCap(const CameraController*, int32_t) { return 0; }
uint32_t UsualSpacing(const CameraController*) { return kPollSpacingMs; }

}  // namespace

const RecoveryEvents kNoRecoveryEvents = {
    Nothing,       // reset
    Yes,           // packetTaken
    Nothing,       // replyOverdue
    Never,         // notAnEcho
    NoCap,         // replyWaitCapMs
    UsualSpacing,  // pollSpacingMs
    NeverFor,      // cameraMissing
    NeverFor,      // lineOutOfService
    NothingOn,     // lineAddressed
    Never,         // quietCheck
    NoFor,         // echoCounted
    No,            // interfaceCleared
    No,            // nobodyAnswered
    Nothing,       // discoveryOver
    YesFor,        // initialisationBegins
    NothingOn,     // cameraInitialised
    No,            // initialisationEnded
    Nothing,       // listFilled
    NothingOn,     // lineLost
    NothingOn,     // lineBack
};
