// camsim's transcript read back as one line's conversation, in order: every
// byte toward the cameras as ">81 ", every byte from them as "<90 ", so a
// command and the replies that followed it can be found together.
#pragma once

#include <string>

// Line `line` (1-based) of the transcript at `path`, from byte `offset` on.
std::string LineTraffic(const std::string& path, int line, long long offset);

// True when `command` (as ">81 >01 ... >FF ") was answered first with an
// acknowledge and a completion from camera 1 ("<90 <4y <FF <90 <5y <FF ")
// and `next` was sent afterwards.
bool AnsweredBefore(const std::string& traffic, const std::string& command, const std::string& next);
