#include "command/command_numbers.h"

#include "engine/orvalix_engine.h"

#include <cstring>

namespace {

// Beyond every range asked for, and small enough that one more digit cannot
// overflow the magnitude.
constexpr unsigned long long kMagnitudeLimit = 1ull << 40;
constexpr size_t kCodeChars = 32;

// The value of `c` as a digit in `base` (10 or 16), -1 when it is none.
int DigitValue(char c, int base) {
  if (c >= '0' && c <= '9') return c - '0';
  if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ParseCommandInteger(const char* text, long long lo, long long hi, long long* out) {
  if (!text) return false;
  const char* p = text;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  int base = 10;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
  }
  if (*p == '\0') return false;
  unsigned long long magnitude = 0;
  for (; *p != '\0'; ++p) {
    const int digit = DigitValue(*p, base);
    if (digit < 0) return false;
    magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    if (magnitude > kMagnitudeLimit) return false;
  }
  const long long v = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
  if (v < lo || v > hi) return false;
  *out = v;
  return true;
}

RequestTextParse ParseRequestText(const char* text, uint32_t* code, int32_t* a) {
  char digits[kCodeChars];
  const char* colon = strchr(text, ':');
  const size_t n = colon ? static_cast<size_t>(colon - text) : strlen(text);
  if (n == 0 || n >= sizeof digits) return REQUEST_TEXT_BAD_CODE;
  memcpy(digits, text, n);
  digits[n] = 0;
  long long c, v = 0;
  if (!ParseCommandInteger(digits, 0, 0xFFFFFFFFll, &c)) return REQUEST_TEXT_BAD_CODE;
  if (c == kRawRequestCode) return REQUEST_TEXT_RAW_CODE;
  if (colon && !ParseCommandInteger(colon + 1, INT32_MIN, INT32_MAX, &v)) return REQUEST_TEXT_BAD_ARGUMENT;
  *code = static_cast<uint32_t>(c);
  *a = static_cast<int32_t>(v);
  return REQUEST_TEXT_OK;
}
