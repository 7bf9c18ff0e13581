// A value box text built by a scale: a small fixed buffer, returned by value
// so the scales stay pure.
#pragma once

struct ValueText {
  char text[24];
};
