// The serial channel at full line speed: numbered 3-byte frames written back
// to back into a pseudo-terminal on the line's schedule (38400 baud, 10 bits a
// byte) and read through a channel opened as the engine opens one.
#pragma once

// Prints frames_sent, frames_in_order (up to the first one lost or out of
// order), writer_late_ms (how long after its last frame was due the writer
// ended: a reader that falls behind holds the line up) and reader_ms; false
// when the line could not be set up.
bool RunLineSpeed(double seconds);
