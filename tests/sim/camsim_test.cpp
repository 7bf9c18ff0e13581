// The camsim program over real pseudo-terminals: arguments, devices, links,
// transcript, surviving a reopen of the port, faults and stopping.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

// camsim running as a child; stdout read until it says it is serving.
struct Camsim {
  pid_t pid = -1;
  int out = -1;
  std::string text;
  std::vector<std::string> devices;

  ~Camsim() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (out >= 0) close(out);
  }

  bool Start(const std::vector<std::string>& args) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    pid = fork();
    if (pid == 0) {
      dup2(fds[1], 1);
      close(fds[0]);
      close(fds[1]);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(CAMSIM_PATH));
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(CAMSIM_PATH, argv.data());
      _exit(127);
    }
    close(fds[1]);
    out = fds[0];
    while (text.find("stop with Ctrl+C") == std::string::npos) {
      pollfd p{out, POLLIN, 0};
      if (poll(&p, 1, 5000) <= 0) return false;
      char buffer[256];
      const ssize_t n = read(out, buffer, sizeof(buffer));
      if (n <= 0) return false;
      text.append(buffer, static_cast<size_t>(n));
    }
    for (size_t at = text.find("/dev/"); at != std::string::npos; at = text.find("/dev/", at + 1)) {
      const size_t end = text.find_first_of(" ,\n", at);
      devices.push_back(text.substr(at, end - at));
    }
    return true;
  }

  // Exit status after the signal (or by itself when sig is 0), -1 on a hang.
  int Stop(int sig, int waitMs = 5000) {
    if (sig != 0) kill(pid, sig);
    for (int i = 0; i < waitMs / 10; ++i) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      usleep(10000);
    }
    return -1;
  }
};

// Runs camsim to its end; its exit code and what it wrote to stderr.
int RunCamsim(const std::vector<std::string>& args, std::string* err) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], 2);
    const int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 1);
    close(fds[0]);
    close(fds[1]);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(CAMSIM_PATH));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(CAMSIM_PATH, argv.data());
    _exit(127);
  }
  close(fds[1]);
  char buffer[4096];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof(buffer))) > 0) err->append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The program under test's side of a line.
struct Port {
  int fd = -1;
  explicit Port(const std::string& path) {
    fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t;
    if (fd >= 0 && tcgetattr(fd, &t) == 0) {
      cfmakeraw(&t);
      tcsetattr(fd, TCSANOW, &t);
    }
  }
  ~Port() {
    if (fd >= 0) close(fd);
  }
  void Write(const Bytes& b) { ASSERT_EQ(write(fd, b.data(), b.size()), static_cast<ssize_t>(b.size())); }
  // Bytes until `count` 0xFF terminators came, or the time is up.
  Bytes Read(int count, int timeoutMs = 3000) {
    Bytes got;
    int ends = 0;
    for (int waited = 0; ends < count && waited < timeoutMs; waited += 5) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 5) > 0) {
        uint8_t buffer[64];
        const ssize_t n = read(fd, buffer, sizeof(buffer));
        for (ssize_t i = 0; i < n; ++i) {
          got.push_back(buffer[i]);
          if (buffer[i] == 0xFF) ++ends;
        }
      }
    }
    return got;
  }
};

std::string TempPath(const char* name) {
  char path[256];
  std::snprintf(path, sizeof(path), "/tmp/camsim_test_%d_%s", static_cast<int>(getpid()), name);
  return path;
}

}  // namespace

TEST(Camsim, BadArgumentsGetAMessageAndExitCodeTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--line"},
      {"--line", "0x66,0x66,0x66,0x66,0x66,0x66,0x66,0x66"},
      {"--line", "0x166"},
      {"--line", "cam"},
      {"--line", "0x66,,0x4B"},
      {"--link", "/tmp/x", "--line", "0x66"},
      {"--line", "0x66", "--fault", "sleepy"},
      {"--line", "0x66,0x4B", "--fault", "cam3:silent"},
      {"--line", "0x66", "--fault", "delay=soon"},
      {"--line", "0x66", "--fault", "error=0104:4"},
      {"--line", "0x66", "--profile", "slow"},
      {"--line", "0x66", "--duration", "-1"},
      {"--line", "0x66", "--hz", "30"},
      {"--line", "0x66", "--frobnicate"},
  };
  for (const auto& args : cases) {
    std::string err;
    EXPECT_EQ(RunCamsim(args, &err), 2) << (args.empty() ? "" : args.back());
    EXPECT_EQ(err.rfind("camsim: ", 0), 0u) << err;
    EXPECT_NE(err.find("usage:"), std::string::npos);
  }
  std::string err;
  EXPECT_EQ(RunCamsim({"--help"}, &err), 0);
}

TEST(Camsim, EachLineOnItsOwnDeviceWithItsOwnChain) {
  Camsim sim;
  ASSERT_TRUE(sim.Start({"--line", "0x66,0x4B", "--line", "0x5F", "--profile", "fast"}));
  ASSERT_EQ(sim.devices.size(), 2u);
  EXPECT_NE(sim.devices[0], sim.devices[1]);
  Port one(sim.devices[0]);
  Port two(sim.devices[1]);
  one.Write({0x88, 0x30, 0x01, 0xFF});
  two.Write({0x88, 0x30, 0x01, 0xFF});
  EXPECT_EQ(one.Read(1), (Bytes{0x88, 0x30, 0x03, 0xFF}));
  EXPECT_EQ(two.Read(1), (Bytes{0x88, 0x30, 0x02, 0xFF}));
  two.Write({0x81, 0x09, 0x00, 0x02, 0xFF});
  const Bytes version = two.Read(1);
  ASSERT_EQ(version.size(), 10u);
  EXPECT_EQ(version[5], 0x5F);
  EXPECT_EQ(sim.Stop(SIGINT), 0);
}

TEST(Camsim, LineSurvivesThePortClosingAndReopening) {
  Camsim sim;
  ASSERT_TRUE(sim.Start({"--line", "0x45", "--profile", "fast"}));
  ASSERT_EQ(sim.devices.size(), 1u);
  {
    Port p(sim.devices[0]);
    p.Write({0x88, 0x30, 0x01, 0xFF});
    EXPECT_EQ(p.Read(1).size(), 4u);
  }
  usleep(50000);
  Port again(sim.devices[0]);
  again.Write({0x81, 0x09, 0x04, 0x00, 0xFF});
  EXPECT_EQ(again.Read(1), (Bytes{0x90, 0x50, 0x02, 0xFF}));
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
}

TEST(Camsim, LinkAndTranscript) {
  const std::string link = TempPath("com1");
  const std::string transcript = TempPath("transcript.txt");
  unlink(link.c_str());
  Camsim sim;
  ASSERT_TRUE(sim.Start({"--transcript", transcript, "--line", "0x66", "--link", link, "--profile",
                         "fast"}));
  char target[256] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof(target) - 1), 0);
  EXPECT_EQ(sim.devices[0], target);
  {
    Port p(link);
    p.Write({0x88, 0x30, 0x01, 0xFF});
    EXPECT_EQ(p.Read(1).size(), 4u);
  }
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
  struct stat st;
  EXPECT_NE(lstat(link.c_str(), &st), 0);  // removed on the way out

  FILE* f = std::fopen(transcript.c_str(), "r");
  ASSERT_NE(f, nullptr);
  char line[256];
  std::vector<std::string> lines;
  while (std::fgets(line, sizeof(line), f) != nullptr) lines.push_back(line);
  std::fclose(f);
  unlink(transcript.c_str());
  ASSERT_EQ(lines.size(), 2u);
  double t1 = -1;
  double t2 = -1;
  char dir1[4] = {};
  char dir2[4] = {};
  ASSERT_EQ(std::sscanf(lines[0].c_str(), "%lf L1 %3s", &t1, dir1), 2);
  ASSERT_EQ(std::sscanf(lines[1].c_str(), "%lf L1 %3s", &t2, dir2), 2);
  EXPECT_STREQ(dir1, "->");
  EXPECT_STREQ(dir2, "<-");
  EXPECT_LE(t1, t2);
  EXPECT_NE(lines[0].find("88 30 01 FF"), std::string::npos);
  EXPECT_NE(lines[1].find("88 30 02 FF"), std::string::npos);
}

TEST(Camsim, LinkOverAFileIsRefused) {
  const std::string path = TempPath("plainfile");
  FILE* f = std::fopen(path.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  std::string err;
  EXPECT_EQ(RunCamsim({"--line", "0x66", "--link", path, "--duration", "1"}, &err), 1);
  EXPECT_NE(err.find("not a symlink"), std::string::npos) << err;
  unlink(path.c_str());
}

TEST(Camsim, StopsAfterItsDuration) {
  Camsim sim;
  ASSERT_TRUE(sim.Start({"--line", "0x66", "--duration", "0.3"}));
  EXPECT_EQ(sim.Stop(0, 5000), 0);
}

TEST(Camsim, FaultsFromTheCommandLine) {
  Camsim sim;
  ASSERT_TRUE(sim.Start({"--line", "0x66,0x4B", "--fault", "cam2:error=010462:41", "--fault",
                         "cam1:network-change", "--fault", "short-echo=1", "--profile", "fast"}));
  Port p(sim.devices[0]);
  EXPECT_EQ(p.Read(1), (Bytes{0x80, 0x38, 0xFF}));  // at power-up, before numbering
  p.Write({0x88, 0x30, 0x01, 0xFF});
  EXPECT_EQ(p.Read(1), (Bytes{0x88, 0x30, 0xFF}));
  p.Write({0x88, 0x30, 0x01, 0xFF});
  EXPECT_EQ(p.Read(1), (Bytes{0x88, 0x30, 0x03, 0xFF}));
  p.Write({0x82, 0x01, 0x04, 0x62, 0x02, 0xFF});
  EXPECT_EQ(p.Read(1), (Bytes{0xA0, 0x61, 0x41, 0xFF}));
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
}

TEST(Camsim, RealisticProfileIsTheDefault) {
  Camsim sim;
  ASSERT_TRUE(sim.Start({"--line", "0x66", "--fault", "cam1:standby"}));
  EXPECT_NE(sim.text.find("realistic"), std::string::npos);
  Port p(sim.devices[0]);
  p.Write({0x88, 0x30, 0x01, 0xFF});
  EXPECT_EQ(p.Read(1).size(), 4u);
  p.Write({0x81, 0x01, 0x04, 0x00, 0x02, 0xFF});
  EXPECT_EQ(p.Read(1, 1000), (Bytes{0x90, 0x41, 0xFF}));
  // power-on takes seconds, not milliseconds
  EXPECT_TRUE(p.Read(1, 1500).empty());
  EXPECT_EQ(p.Read(1, 5000), (Bytes{0x90, 0x51, 0xFF}));
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
}
