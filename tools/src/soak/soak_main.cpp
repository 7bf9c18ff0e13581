// orvalix-soak [--duration SECONDS] [--seed N]: runs the soak in a child
// process, so a crash or a hang is seen and counted, and adds `crashes: N`
// to the child's summary.
#include "tools/src/soak/soak_run.h"

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The child gets this long beyond its duration to drain and report.
constexpr uint32_t kGraceS = 900;
constexpr uint32_t kWaitStepMs = 100;

bool ParseNumber(const char* text, uint32_t* value) {
  char* end = nullptr;
  unsigned long n = strtoul(text, &end, 10);
  if (end == text || *end != 0 || n > 0xFFFFFFFFul) return false;
  *value = static_cast<uint32_t>(n);
  return true;
}

bool Parse(int argc, char** argv, SoakOptions* options) {
  options->seed = static_cast<uint32_t>(time(nullptr));
  for (int i = 1; i < argc; i++) {
    bool duration = strcmp(argv[i], "--duration") == 0;
    bool seed = strcmp(argv[i], "--seed") == 0;
    if ((!duration && !seed) || i + 1 >= argc) return false;
    if (!ParseNumber(argv[++i], duration ? &options->durationS : &options->seed)) return false;
  }
  return options->durationS > 0;
}

}  // namespace

int main(int argc, char** argv) {
  SoakOptions options;
  if (!Parse(argc, argv, &options)) {
    fprintf(stderr, "usage: orvalix-soak [--duration SECONDS] [--seed N]\n");
    return 2;
  }
  printf("soak: seed %u, %u s\n", options.seed, options.durationS);
  fflush(stdout);
  pid_t child = fork();
  if (child < 0) {
    perror("soak: fork");
    return 2;
  }
  if (child == 0) _exit(RunSoak(options));

  int status = 0;
  bool ended = false;
  const uint64_t limitMs = (static_cast<uint64_t>(options.durationS) + kGraceS) * 1000u;
  for (uint64_t waited = 0; waited < limitMs; waited += kWaitStepMs) {
    pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) {
      ended = true;
      break;
    }
    usleep(kWaitStepMs * 1000);
  }
  if (!ended) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    printf("failed: the soak did not end in time (hang)\n");
  }
  bool crashed = !ended || WIFSIGNALED(status);
  if (ended && WIFSIGNALED(status)) printf("failed: ended by signal %d\n", WTERMSIG(status));
  printf("crashes: %d\n", crashed ? 1 : 0);
  int code = crashed ? 1 : WEXITSTATUS(status);
  printf("result: %s\n", code == 0 ? "pass" : "fail");
  return code;
}
