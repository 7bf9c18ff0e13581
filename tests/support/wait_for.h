// A bounded wait on the steady clock, which a virtual tick source cannot stretch.
#pragma once

#include <chrono>
#include <cstdint>
#include <thread>

// Polls done() every millisecond; false when it still fails after timeoutMs.
template <typename Done>
bool WaitFor(Done done, uint32_t timeoutMs = 3000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}
