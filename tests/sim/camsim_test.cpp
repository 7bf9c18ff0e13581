// The camsim program: arguments, one pseudo-terminal per line, link,
// transcript, faults, a reopened port, lines over UDP, and stopping.
#include "tests/support/camsim_child.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

// The side of a line the program under test opens.
struct Port {
  int fd;
  explicit Port(const std::string& path) : fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
    termios t;
    if (fd < 0 || tcgetattr(fd, &t) != 0) return;
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
  }
  ~Port() { close(fd); }
  // Writes a packet, returns the bytes up to the first 0xFF within 3 s.
  Bytes Ask(const Bytes& packet) {
    if (!packet.empty() && write(fd, packet.data(), packet.size()) < 0) return Bytes{};
    Bytes got;
    uint8_t b = 0;
    for (int waited = 0; waited < 3000 && (got.empty() || got.back() != 0xFF); waited += 2) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 2) > 0 && read(fd, &b, 1) == 1) got.push_back(b);
    }
    return got;
  }
};

}  // namespace

// A refusal is one line that names the argument, whatever it holds; usage
// follows, and the exit status is 2 (1 for a link in the way).
TEST(Camsim, BadArgumentsGetAOneLineMessageAndANonZeroExit) {
  const std::string file = "/tmp/camsim_test_" + std::to_string(getpid());
  std::ofstream(file) << "in the way\n";
  const struct {
    std::vector<std::string> args;
    std::string firstLine;  // empty: any refusal
  } cases[] = {{{}, ""},
               {{"--line"}, ""},
               {{"--line", "0x66,0x66,0x66,0x66,0x66,0x66,0x66,0x66"}, ""},
               {{"--line", "0x166"}, ""},
               {{"--link", "/tmp/x", "--line", "0x66"}, ""},
               {{"--line", "0x66", "--fault", "sleepy"}, ""},
               {{"--line", "0x66", "--fault", "error=0104:4"}, ""},
               {{"--line", "0x66", "--profile", "slow"}, ""},
               {{"--line", "0x66", "--clock", "sundial"}, ""},
               {{"--line", "0x66,0x4B", "--udp", "0"}, ""},
               {{"--line", "0x66", "--tcp", "65536"}, ""},
               {{"--line", "0x66", "--udp", "0", "--link", "/tmp/x"}, ""},
               {{"--line", "0x66", "--tcp", "0", "--fault", "drop=5"}, ""},
               {{"--line", "0x66", "--udp-raw", "0", "--fault", "drop=101"}, ""},
               {{"--line", "0x66", "--fault", "late=100"}, ""},
               {{"--line", "0x66", "--fr\nob"}, "camsim: unknown argument '--fr?ob'"},
               {{"--line", "0x66", "--fault", "delay=1\r\t"},
                "camsim: bad value in fault 'delay=1?"
                "?'"},
               {{"--line", "0x66", "--link", file, "--duration", "1"}, ""}};
  for (const auto& k : cases) {
    Camsim sim(k.args);
    ASSERT_TRUE(sim.ReadUntil(nullptr));
    const bool link = !k.args.empty() && k.args.back() == "1";  // a plain file is in the way
    EXPECT_EQ(sim.Stop(0), link ? 1 : 2) << sim.text;
    EXPECT_EQ(sim.text.rfind(k.firstLine.empty() ? "camsim: " : k.firstLine + "\n", 0), 0u) << sim.text;
    EXPECT_NE(sim.text.find(link ? "not a symlink" : "usage:"), std::string::npos) << sim.text;
  }
  unlink(file.c_str());
  Camsim help("--help");
  ASSERT_TRUE(help.ReadUntil(nullptr));
  EXPECT_EQ(help.Stop(0), 0);
}

TEST(Camsim, ServesEachLineOnItsOwnPseudoTerminal) {
  const std::string link = "/tmp/camsim_test_com1_" + std::to_string(getpid());
  const std::string transcript = link + ".txt";
  Camsim sim(
      "--transcript " + transcript + " --line 0x66,0x4B --link " + link +
      " --fault cam2:error=010462:41 --fault cam1:network-change --fault short-echo=1 --line 0x5F --profile fast");
  ASSERT_TRUE(sim.ReadUntil("stop with Ctrl+C"));
  char target[256] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof(target) - 1), 0);
  EXPECT_EQ(sim.Device(0), target);
  {
    Port one(link);
    EXPECT_EQ(one.Ask({}), (Bytes{0x80, 0x38, 0xFF}));  // powered up before numbering
    EXPECT_EQ(one.Ask({0x88, 0x30, 0x01, 0xFF}), (Bytes{0x88, 0x30, 0xFF}));
    EXPECT_EQ(one.Ask({0x88, 0x30, 0x01, 0xFF}), (Bytes{0x88, 0x30, 0x03, 0xFF}));
    EXPECT_EQ(one.Ask({0x82, 0x01, 0x04, 0x62, 0x02, 0xFF}), (Bytes{0xA0, 0x61, 0x41, 0xFF}));
  }
  Port again(sim.Device(0));  // the line outlives the port
  EXPECT_EQ(again.Ask({0x81, 0x09, 0x04, 0x00, 0xFF}), (Bytes{0x90, 0x50, 0x02, 0xFF}));
  Port two(sim.Device(1));
  EXPECT_EQ(two.Ask({0x88, 0x30, 0x01, 0xFF}), (Bytes{0x88, 0x30, 0x02, 0xFF}));
  EXPECT_EQ(two.Ask({0x81, 0x09, 0x00, 0x02, 0xFF}),
            (Bytes{0x90, 0x50, 0x00, 0x20, 0x04, 0x5F, 0x01, 0x00, 0x02, 0xFF}));
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
  struct stat st;
  EXPECT_NE(lstat(link.c_str(), &st), 0);  // removed on the way out
  std::stringstream read;
  read << std::ifstream(transcript).rdbuf();
  unlink(transcript.c_str());
  for (const char* line : {" L1 -> 88 30 01 FF\n", " L1 <- 88 30 03 FF\n", " L2 <- 88 30 02 FF\n"})
    EXPECT_NE(read.str().find(line), std::string::npos) << read.str();
}

namespace {

// A UDP socket of the test's own, talking to camsim on 127.0.0.1.
struct Datagrams {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  ~Datagrams() { close(fd); }
  // Sends a datagram; the first one back within waitMs (empty: none) and
  // when it came, in ms after the send.
  Bytes Ask(uint16_t port, const Bytes& datagram, int waitMs, double* afterMs = nullptr) {
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto sent = std::chrono::steady_clock::now();
    sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, waitMs) <= 0) return {};
    uint8_t buffer[64];
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (afterMs != nullptr)
      *afterMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sent).count();
    return n > 0 ? Bytes(buffer, buffer + n) : Bytes{};
  }
};

}  // namespace

// A line served over UDP: the header rules on the camera's side, replies held
// back with late=MS, and every datagram lost with drop=100.
TEST(Camsim, ServesLinesOverUdpWithNetworkFaults) {
  Camsim sim(
      "--profile fast --line 0x66 --udp 0 --fault late=150 --line 0x4B --udp-raw 0 --line 0x4B --udp-raw 0 "
      "--fault drop=100");
  ASSERT_TRUE(sim.ReadUntil("stop with Ctrl+C")) << sim.text;
  Datagrams net;
  double afterMs = 0;
  EXPECT_EQ(net.Ask(sim.LoopbackPort(0), {0x02, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x07, 0x01}, 2000, &afterMs),
            (Bytes{0x02, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x07, 0x01}));
  EXPECT_GE(afterMs, 150);
  EXPECT_EQ(net.Ask(sim.LoopbackPort(0), {0x01, 0x10, 0x00, 0x05, 0x00, 0x00, 0x00, 0x08, 0x81, 0x09, 0x04, 0x00, 0xFF},
                    2000),
            (Bytes{0x01, 0x11, 0x00, 0x04, 0x00, 0x00, 0x00, 0x08, 0x90, 0x50, 0x02, 0xFF}));
  // Neither the next number nor a repeat of the last: a sequence error.
  EXPECT_EQ(net.Ask(sim.LoopbackPort(0), {0x01, 0x10, 0x00, 0x05, 0x00, 0x00, 0x00, 0x0A, 0x81, 0x09, 0x04, 0x00, 0xFF},
                    2000),
            (Bytes{0x02, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x0A, 0x0F, 0x01}));
  EXPECT_EQ(net.Ask(sim.LoopbackPort(1), {0x81, 0x09, 0x04, 0x00, 0xFF}, 2000), (Bytes{0x90, 0x50, 0x02, 0xFF}));
  EXPECT_EQ(net.Ask(sim.LoopbackPort(2), {0x81, 0x09, 0x04, 0x00, 0xFF}, 300), Bytes{});
  EXPECT_EQ(sim.Stop(SIGINT), 0);
}
