// main() of the GoogleTest suites: GoogleTest's own, with the hang watchdog.
#include "tests/support/hang_watchdog.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  InstallHangWatchdog();
  return RUN_ALL_TESTS();
}
