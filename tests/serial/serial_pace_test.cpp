// The I/O thread on a pty: a quiet line costs no processor time. (Full line
// speed is measured by tools/bench, whose figure depends on the machine's load.)
#include "tests/serial/serial_test_support.h"

#include <sys/resource.h>
#include <chrono>
#include <thread>

namespace {

double ProcessCpuMs() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

}  // namespace

TEST_F(PtyChannel, AQuietOpenLineCostsNoProcessorTime) {
  line.Write({0x90, 0x41, 0xFF});
  ASSERT_EQ(NextFrame(channel), (Bytes{0x90, 0x41, 0xFF}));

  const double before = ProcessCpuMs();
  std::this_thread::sleep_for(std::chrono::seconds(1));  // the quiet second being measured
  EXPECT_LT(ProcessCpuMs() - before, 10.0) << "the I/O thread keeps waking on a quiet line";

  line.Write({0x90, 0x51, 0xFF});
  EXPECT_EQ(NextFrame(channel, 1000), (Bytes{0x90, 0x51, 0xFF})) << "a quiet line still wakes on the next byte";
}
