// camsim's command line: argv is the input split at NUL bytes. A parse that
// succeeds gives values inside the ranges the usage text promises; a failing
// one a terminated one-line message that fits its buffer. A break traps with
// a line on stderr.
#include "sim/camsim_options.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kErrorSize = 160;
constexpr int kMaxArgs = 64;
constexpr unsigned char kGuard = 0xA5;
constexpr uint32_t kMaxDelayMs = 600000;
constexpr int kMaxSplitBytes = 64;
constexpr uint32_t kMaxSplitGapMs = 60000;
constexpr int kMaxNoiseBytes = 64;
constexpr uint32_t kMaxDurationMs = 7u * 86400u * 1000u;

[[noreturn]] void Broken(const char* what) {
  fprintf(stderr, "camsim_args fuzz: %s\n", what);
  __builtin_trap();
}

bool Terminated(const char* path) { return memchr(path, 0, CamsimLineOptions::kPathSize) != nullptr; }

void CheckFaults(const SimFaults& f) {
  if (f.delayMs > kMaxDelayMs) Broken("a delay beyond 600000 ms");
  if (f.stopAfterPackets < -1) Broken("a negative stop-after");
  if (f.splitBytes < 0 || f.splitBytes > kMaxSplitBytes || f.splitGapMs > kMaxSplitGapMs)
    Broken("a split outside 1..64 bytes, 0..60000 ms");
  if (f.noiseBytes < 0 || f.noiseBytes > kMaxNoiseBytes || f.powerOnNoiseBytes < 0 ||
      f.powerOnNoiseBytes > kMaxNoiseBytes)
    Broken("noise outside 1..64 bytes");
  if (f.shortAddressEchoes < 0) Broken("a negative short-echo count");
  for (const SimErrorRule& rule : f.errors)
    if (rule.matchLength < 0 || rule.matchLength > 8) Broken("an error rule longer than 8 bytes");
}

void CheckOptions(const CamsimOptions& o) {
  if (o.help) return;
  if (o.lineCount < 1 || o.lineCount > CamsimOptions::kMaxLines) Broken("a line count outside 1..26");
  if (!Terminated(o.transcript)) Broken("the transcript path is not terminated");
  if (o.durationMs > kMaxDurationMs) Broken("a duration beyond seven days");
  for (int i = 0; i < o.lineCount; i++) {
    const CamsimLineOptions& line = o.lines[i];
    if (line.cameraCount < 1 || line.cameraCount > SimLine::kMaxCameras) Broken("a line without 1..7 cameras");
    if (!Terminated(line.link) || !Terminated(line.transcript)) Broken("a line's path is not terminated");
    CheckFaults(line.lineFaults);
    if (line.dropPercent > 100 || line.lateMs > kMaxDelayMs) Broken("a drop beyond 100% or a late beyond 600000 ms");
    if ((line.transport == CAMSIM_VISCA_IP || line.transport == CAMSIM_UDP_RAW) && line.cameraCount != 1)
      Broken("a UDP line with more than one camera");
    for (int n = 0; n < SimLine::kMaxCameras; n++) {
      CheckFaults(line.cameraFaults[n]);
      if (n >= line.cameraCount && line.standby[n]) Broken("a fault on a camera the line does not have");
    }
    if (line.outageCount < 0 || line.outageCount > CamsimLineOptions::kMaxOutages) Broken("too many outages");
    for (int n = 0; n < line.outageCount; n++) {
      const CamsimOutage& outage = line.outages[n];
      if (outage.camera < -1 || outage.camera >= line.cameraCount) Broken("an outage of a camera the line lacks");
      if (outage.fromMs >= outage.toMs || outage.toMs > kMaxDurationMs) Broken("an outage that never ends");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  std::vector<const char*> argv;
  argv.push_back("camsim");
  for (size_t at = 0; at < size && argv.size() < kMaxArgs; at += strlen(&text[at]) + 1) argv.push_back(&text[at]);
  argv.push_back(nullptr);
  static CamsimOptions options;
  char error[kErrorSize + 1];
  memset(error, kGuard, sizeof error);
  const int argc = static_cast<int>(argv.size()) - 1;
  const bool ok = ParseCamsimOptions(argc, argv.data(), &options, error, kErrorSize);
  if (static_cast<unsigned char>(error[kErrorSize]) != kGuard) Broken("the error text ran past its buffer");
  if (ok) {
    CheckOptions(options);
  } else if (memchr(error, 0, kErrorSize) == nullptr || error[0] == '\0') {
    Broken("a failed parse left no terminated message");
  } else if (memchr(error, '\n', strlen(error)) != nullptr) {
    Broken("the error message is not one line");
  }
  return 0;
}
