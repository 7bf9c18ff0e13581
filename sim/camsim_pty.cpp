#include "sim/camsim_pty.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

PtyLine::~PtyLine() { Unplug(); }

// Only while the link still leads to this line.
void PtyLine::RemoveLink() {
  if (link[0] == '\0') return;
  char target[kPathSize];
  const ssize_t n = readlink(link, target, sizeof(target) - 1);
  if (n > 0) {
    target[n] = '\0';
    if (std::strcmp(target, device) == 0) unlink(link);
  }
  link[0] = '\0';
}

void PtyLine::Unplug() {
  if (master >= 0) close(master);
  if (deviceFd >= 0) close(deviceFd);
  master = -1;
  deviceFd = -1;
  RemoveLink();
}

bool PtyLine::Open(const char* linkPath, char* error, int errorSize) {
  const size_t size = static_cast<size_t>(errorSize);
  master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, device, sizeof(device)) != 0) {
    std::snprintf(error, size, "cannot create a pseudo-terminal: %s", std::strerror(errno));
    return false;
  }
  deviceFd = open(device, O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (deviceFd < 0) {
    std::snprintf(error, size, "cannot open %s: %s", device, std::strerror(errno));
    return false;
  }
  // Raw from the start, so nothing is echoed or translated before the
  // program under test sets the line up itself.
  termios tio;
  if (tcgetattr(deviceFd, &tio) == 0) {
    cfmakeraw(&tio);
    cfsetispeed(&tio, B38400);
    cfsetospeed(&tio, B38400);
    tcsetattr(deviceFd, TCSANOW, &tio);
  }
  const int flags = fcntl(master, F_GETFL);
  if (flags < 0 || fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) {
    std::snprintf(error, size, "cannot set up %s: %s", device, std::strerror(errno));
    return false;
  }
  if (linkPath == nullptr || linkPath[0] == '\0') return true;

  struct stat st;
  if (lstat(linkPath, &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      std::snprintf(error, size, "%s exists and is not a symlink", linkPath);
      return false;
    }
    unlink(linkPath);
  }
  if (symlink(device, linkPath) != 0) {
    std::snprintf(error, size, "cannot create link %s: %s", linkPath, std::strerror(errno));
    return false;
  }
  std::snprintf(link, sizeof(link), "%s", linkPath);
  return true;
}

int PtyLine::Read(uint8_t* buffer, int capacity) {
  const ssize_t n = read(master, buffer, static_cast<size_t>(capacity));
  return n > 0 ? static_cast<int>(n) : 0;
}

void PtyLine::Write(const uint8_t* data, int length) {
  while (length > 0) {
    const ssize_t n = write(master, data, static_cast<size_t>(length));
    if (n > 0) {
      data += n;
      length -= static_cast<int>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return;
    }
  }
}
