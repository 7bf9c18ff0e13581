// Numbers and requests as the text front ends take them: the command line's
// options and the command language read them alike.
#pragma once

#include <cstdint>

// A whole-string integer in [lo, hi]: an optional sign, then decimal digits
// (a leading 0 too, never octal), or 0x and hex digits.
bool ParseCommandInteger(const char* text, long long lo, long long hi, long long* out);

enum RequestTextParse { REQUEST_TEXT_OK, REQUEST_TEXT_BAD_CODE, REQUEST_TEXT_RAW_CODE, REQUEST_TEXT_BAD_ARGUMENT };

// "CODE[:A]": a code 0..0xFFFFFFFF (not the raw command's, whose argument
// is a mailbox ticket only the engine hands out) and A (default 0) in the
// int32_t range.
RequestTextParse ParseRequestText(const char* text, uint32_t* code, int32_t* a);
