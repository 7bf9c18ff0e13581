// ptyloop [--hold]: opens a pseudo-terminal, prints its slave device and echoes
// every byte written to the slave back into it until SIGTERM or SIGINT: a
// serial device that answers with what it hears. With --hold it never takes a
// byte, so once the pty's buffer is full writes stall, as behind a CTS line
// that stays low.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

volatile sig_atomic_t stopRequested = 0;

void OnStopSignal(int) { stopRequested = 1; }

bool WriteAll(int fd, const unsigned char* data, size_t length) {
  while (length > 0) {
    const ssize_t n = write(fd, data, length);
    if (n < 0 && errno != EINTR && errno != EAGAIN) return false;
    if (n <= 0) continue;
    data += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bool hold = argc == 2 && strcmp(argv[1], "--hold") == 0;
  if (argc > 1 && !hold) {
    fprintf(stderr, "usage: ptyloop [--hold]\n");
    return 2;
  }
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  char slavePath[128];
  int slave = -1;  // held open so the master never sees a hang-up while the user reopens
  termios tio;
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
      ptsname_r(master, slavePath, sizeof slavePath) != 0 || (slave = open(slavePath, O_RDWR | O_NOCTTY)) < 0 ||
      tcgetattr(slave, &tio) != 0) {
    perror("ptyloop: pseudo-terminal");
    return 1;
  }
  cfmakeraw(&tio);
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  if (tcsetattr(slave, TCSANOW, &tio) != 0) {
    perror("ptyloop: raw mode");
    return 1;
  }
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  printf("%s\n", slavePath);
  fflush(stdout);

  while (!stopRequested) {
    pollfd readable = {master, POLLIN, 0};
    const int ready = poll(hold ? nullptr : &readable, hold ? 0 : 1, 200);
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    unsigned char buffer[512];
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0 || !WriteAll(master, buffer, static_cast<size_t>(n))) break;
  }
  close(slave);
  close(master);
  return stopRequested ? 0 : 1;
}
