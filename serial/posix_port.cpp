// Serial port on a POSIX terminal device in raw mode. COMn maps to a device
// path through a table; a test may attach an in-process peer instead.
#include "serial/serial_port.h"

#include "platform/os.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <new>

struct SerialPort {
  int fd;  // -1 while a peer stands in for the device
  SerialPeer* peer;
  int wakeFd;  // eventfd: SerialPortWake makes it readable
  uint32_t baudRate;
  bool lost;  // the device hung up or went away
};

namespace {

using Clock = std::chrono::steady_clock;

// A peer has no descriptor to wait on: it is asked again after this long. A
// line in error is retried after this long too, so it never spins.
constexpr int kRetryMs = 1;

struct PortEntry {
  bool mapped;     // false: the default device
  char path[256];  // "" = no such port
  SerialPeer* peer;
};

std::mutex tableMutex;
PortEntry portTable[kSerialMaxPorts];

struct SpeedCode {
  uint32_t baud;
  speed_t speed;
};

const SpeedCode kSpeeds[] = {
    {50, B50},     {75, B75},       {110, B110},     {134, B134},     {150, B150},       {200, B200},
    {300, B300},   {600, B600},     {1200, B1200},   {1800, B1800},   {2400, B2400},     {4800, B4800},
    {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
};

bool SpeedFor(uint32_t baud, speed_t* speed) {
  for (const SpeedCode& code : kSpeeds) {
    if (code.baud == baud) {
      *speed = code.speed;
      return true;
    }
  }
  return false;
}

bool SizeFor(uint32_t dataBits, tcflag_t* size) {
  switch (dataBits) {
    case 5:
      *size = CS5;
      return true;
    case 6:
      *size = CS6;
      return true;
    case 7:
      *size = CS7;
      return true;
    case 8:
      *size = CS8;
      return true;
    default:
      return false;
  }
}

// Raw mode at the given line settings; modem-line handling stays as it was.
bool Configure(int fd, const SerialLineSettings& settings) {
  speed_t speed;
  tcflag_t size;
  termios tio;
  if (!SpeedFor(settings.baudRate, &speed) || !SizeFor(settings.dataBits, &size)) return false;
  if (tcgetattr(fd, &tio) != 0) return false;
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB);
  tio.c_cflag |= size | CREAD | CLOCAL;
  if (settings.parityCode == 1) {
    tio.c_cflag |= PARENB | PARODD;
  } else if (settings.parityCode != 0) {
    tio.c_cflag |= PARENB;
  }
  // A UART sends 1.5 stop bits for CSTOPB with 5 data bits.
  if (settings.stopBitsCode == 0 || settings.stopBitsCode == 2) tio.c_cflag |= CSTOPB;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0) return false;
  return tcsetattr(fd, TCSANOW, &tio) == 0;
}

// Errors of a device that is no longer there (a USB adapter pulled out).
bool DeviceGone(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

SerialPeer* PeerFor(uint32_t comNumber) {
  if (comNumber < 1 || comNumber > kSerialMaxPorts) return nullptr;
  std::lock_guard<std::mutex> guard(tableMutex);
  return portTable[comNumber - 1].peer;
}

}  // namespace

void SerialPortSetDevice(uint32_t comNumber, const char* path) {
  if (comNumber < 1 || comNumber > kSerialMaxPorts) return;
  std::lock_guard<std::mutex> guard(tableMutex);
  PortEntry& entry = portTable[comNumber - 1];
  entry.mapped = path != nullptr;
  entry.path[0] = 0;
  // A path that does not fit would name another device: the port has none.
  if (path != nullptr && snprintf(entry.path, sizeof entry.path, "%s", path) >= static_cast<int>(sizeof entry.path))
    entry.path[0] = 0;
}

const char* SerialPortDevice(uint32_t comNumber, char* buffer, int size) {
  if (buffer == nullptr || size < 1) return "";
  buffer[0] = 0;
  if (comNumber < 1) return buffer;
  if (comNumber <= kSerialMaxPorts) {
    std::lock_guard<std::mutex> guard(tableMutex);
    const PortEntry& entry = portTable[comNumber - 1];
    if (entry.mapped) {
      snprintf(buffer, static_cast<size_t>(size), "%s", entry.path);
      return buffer;
    }
  }
  snprintf(buffer, static_cast<size_t>(size), "/dev/ttyS%u", comNumber - 1);
  return buffer;
}

void SerialPortSetPeer(uint32_t comNumber, SerialPeer* peer) {
  if (comNumber < 1 || comNumber > kSerialMaxPorts) return;
  std::lock_guard<std::mutex> guard(tableMutex);
  portTable[comNumber - 1].peer = peer;
}

namespace {

// poll() takes an int time-out; -1 waits without limit.
int PollTimeout(uint32_t waitMs) {
  return waitMs == OS_INFINITE ? -1 : static_cast<int>(waitMs < 0x7FFFFFFF ? waitMs : 0x7FFFFFFF);
}

SerialPort* NewPort(int fd, SerialPeer* peer, uint32_t baudRate) {
  const int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeFd < 0) return nullptr;
  SerialPort* port = new (std::nothrow) SerialPort{fd, peer, wakeFd, baudRate, false};
  if (port == nullptr) close(wakeFd);
  return port;
}

void DrainWake(SerialPort* port) {
  uint64_t count;
  while (read(port->wakeFd, &count, sizeof count) == static_cast<ssize_t>(sizeof count)) {
  }
}

// Waits on the wake descriptor alone; a wake is used up.
void WaitForWake(SerialPort* port, int timeoutMs) {
  pollfd wake = {port->wakeFd, POLLIN, 0};
  if (poll(&wake, 1, timeoutMs) > 0) DrainWake(port);
}

}  // namespace

SerialPort* SerialPortOpen(uint32_t comNumber, const SerialLineSettings& settings) {
  SerialPeer* peer = PeerFor(comNumber);
  if (peer != nullptr) return NewPort(-1, peer, settings.baudRate);

  char path[256];
  SerialPortDevice(comNumber, path, sizeof path);
  if (path[0] == 0) return nullptr;
  const int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  SerialPort* port = Configure(fd, settings) ? NewPort(fd, nullptr, settings.baudRate) : nullptr;
  if (port == nullptr) {
    close(fd);
    return nullptr;
  }
  // What arrived while the port was closed is gone, as on a real line; a pty
  // would otherwise hand a new session the replies meant for the last one.
  tcflush(fd, TCIFLUSH);
  return port;
}

int32_t SerialPortReceive(SerialPort* port, uint8_t* buffer, int32_t capacity, uint32_t waitMs) {
  if (capacity < 1) return 0;
  if (port->lost) return 0;
  if (port->peer != nullptr) {
    if (waitMs > 0) WaitForWake(port, kRetryMs);
    const int got = port->peer->ReadByte(buffer);
    port->lost = got < 0;
    return got == 1 ? 1 : 0;
  }
  pollfd waitFor[2] = {{port->fd, POLLIN, 0}, {port->wakeFd, POLLIN, 0}};
  const int ready = poll(waitFor, 2, PollTimeout(waitMs));
  if (ready < 0) {
    if (errno != EINTR) WaitForWake(port, kRetryMs);  // a failing poll must not spin
    return 0;
  }
  if (waitFor[1].revents & POLLIN) DrainWake(port);
  if (waitFor[0].revents == 0) return 0;
  // A hang-up or error with nothing left to read; bytes that came before a
  // hang-up are still taken first.
  if ((waitFor[0].revents & POLLIN) == 0) {
    port->lost = true;
    return 0;
  }
  const ssize_t n = read(port->fd, buffer, static_cast<size_t>(capacity));
  if (n > 0) return static_cast<int32_t>(n);
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
  // Readable yet nothing to read: a terminal that was hung up.
  if (n == 0 || DeviceGone(errno)) {
    port->lost = true;
    return 0;
  }
  WaitForWake(port, kRetryMs);  // failing: no busy loop
  return 0;
}

void SerialPortEndReceive(SerialPort*) {}

void SerialPortWake(SerialPort* port) {
  const uint64_t one = 1;
  while (write(port->wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void SerialPortWrite(SerialPort* port, const uint8_t* data, int32_t length) {
  if (port->lost) return;
  if (port->peer != nullptr) {
    port->peer->OnWrite(data, length);
    return;
  }
  // The whole frame, not each wait for room, has the limit: a line that
  // takes a byte now and then must not hold the I/O thread for long.
  const Clock::time_point giveUp = Clock::now() + std::chrono::milliseconds(FrameWriteLimitMs(length, port->baudRate));
  int32_t done = 0;
  while (done < length) {
    const ssize_t n = write(port->fd, data + done, static_cast<size_t>(length - done));
    if (n > 0) {
      done += static_cast<int32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      port->lost = DeviceGone(errno);
      return;
    }
    const int64_t leftMs = std::chrono::duration_cast<std::chrono::milliseconds>(giveUp - Clock::now()).count();
    if (leftMs <= 0) return;
    pollfd waitFor = {port->fd, POLLOUT, 0};
    const int ready = poll(&waitFor, 1, static_cast<int>(leftMs));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return;
    if (waitFor.revents & (POLLERR | POLLHUP | POLLNVAL)) {
      port->lost = true;
      return;
    }
  }
}

bool SerialPortLost(const SerialPort* port) { return port->lost; }

bool SerialPortClose(SerialPort* port) {
  if (port->fd >= 0) {
    tcflush(port->fd, TCIOFLUSH);
    close(port->fd);
  }
  close(port->wakeFd);
  delete port;
  return true;
}
