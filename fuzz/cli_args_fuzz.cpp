// orvalix-cli's command line: argv is the input split at NUL bytes. A parse
// that succeeds gives values inside their documented ranges; a failing one a
// terminated message that fits its buffer. A break traps with a line on stderr.
#include "cli/cli_options.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kErrorSize = 160;
constexpr int kMaxArgs = 64;
constexpr unsigned char kGuard = 0xA5;
constexpr int32_t kMaxCameraNumber = 182;
constexpr uint32_t kMaxMs = 86400000;

[[noreturn]] void Broken(const char* what) {
  fprintf(stderr, "cli_args fuzz: %s\n", what);
  __builtin_trap();
}

// The ranges the usage text promises.
void CheckOptions(const CliOptions& o) {
  if (o.help) return;
  int ports = 0;
  for (const auto& device : o.devices) {
    if (memchr(device, 0, sizeof device) == nullptr) Broken("a device path is not terminated");
    if (device[0] != '\0') ports++;
  }
  for (const NetLineConfig& line : o.network.lines) {
    if (memchr(line.host, 0, sizeof line.host) == nullptr) Broken("a host name is not terminated");
    if (line.kind != NET_NONE) ports++;
  }
  if (memchr(o.configFile, 0, sizeof o.configFile) == nullptr) Broken("the --config path is not terminated");
  if (ports == 0 && o.configFile[0] == '\0') Broken("a parse without a port, a network line or a file succeeded");
  if (o.select < 0 || o.select > kMaxCameraNumber) Broken("--select outside 1..182");
  if (o.requestCount < 0 || o.requestCount > CliOptions::kMaxRequests) Broken("request count outside the table");
  if (o.requestCount > 0 && o.select == 0) Broken("requests without a selected camera");
  if (o.waitMs > kMaxMs) Broken("--wait outside 0..86400000");
  if (o.timeoutMs < 1 || o.timeoutMs > kMaxMs) Broken("--timeout outside 1..86400000");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  std::vector<const char*> argv;
  argv.push_back("orvalix-cli");
  for (size_t at = 0; at < size && argv.size() < kMaxArgs; at += strlen(&text[at]) + 1) argv.push_back(&text[at]);
  argv.push_back(nullptr);
  static CliOptions options;
  options = CliOptions{};
  char error[kErrorSize + 1];
  memset(error, kGuard, sizeof error);
  const int argc = static_cast<int>(argv.size()) - 1;
  const bool ok = ParseCliOptions(argc, argv.data(), &options, error, kErrorSize);
  if (static_cast<unsigned char>(error[kErrorSize]) != kGuard) Broken("the error text ran past its buffer");
  if (ok) {
    CheckOptions(options);
  } else if (memchr(error, 0, kErrorSize) == nullptr || error[0] == '\0') {
    Broken("a failed parse left no terminated message");
  }
  return 0;
}
