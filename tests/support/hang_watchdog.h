// Ends a suite whose test hangs and names that test: under Wine a whole test
// executable is one ctest entry, whose own time-out would not say which.
#pragma once

// Adds the watchdog to GoogleTest's listeners; call after InitGoogleTest.
void InstallHangWatchdog();
