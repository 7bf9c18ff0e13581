// On Windows the seam's calls are the real user32 functions; only the
// sent-message pump needs a body.
#include "platform/winapi.h"

void DispatchIncomingSentMessages() {
  MSG msg;
  // PeekMessage delivers messages sent from other threads before it looks
  // at the queue; PM_QS_SENDMESSAGE keeps it from touching anything else.
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}
