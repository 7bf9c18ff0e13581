#include "tests/serial/serial_test_support.h"

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#endif

uint32_t ViscaFrameEnd(uint8_t* frame, int32_t* length)
{
  return *length > 0 && frame[*length - 1] == 0xFF ? FRAME_COMPLETE : FRAME_MORE;
}

bool ReadFrameWithin(SerialChannel& channel, Bytes* frame, uint32_t timeoutMs)
{
  uint8_t buffer[256];
  uint32_t length = 0;
  const bool got = WaitFor([&] { return channel.ReadFrame(buffer, 255, &length) == 0; }, timeoutMs);
  frame->assign(buffer, buffer + (got ? length : 0));
  return got;
}

#ifndef _WIN32
void ScriptedPeer::OnWrite(const uint8_t* data, int32_t length)
{
  std::unique_lock<std::mutex> lock(mutex);
  blockedInWrite = true;
  gateChanged.wait(lock, [this] { return !gateClosed; });
  blockedInWrite = false;
  written.insert(written.end(), data, data + length);
  ++writeCalls;
}

int ScriptedPeer::ReadByte(uint8_t* byte)
{
  std::lock_guard<std::mutex> lock(mutex);
  if (input.empty()) {
    inputPending = false;
    return 0;
  }
  *byte = input.front();
  input.pop_front();
  return 1;
}

void ScriptedPeer::Feed(const Bytes& bytes)
{
  std::lock_guard<std::mutex> lock(mutex);
  input.insert(input.end(), bytes.begin(), bytes.end());
  inputPending = true;
}

bool ScriptedPeer::WaitConsumed(uint32_t timeoutMs)
{
  return WaitFor([this] {
    std::lock_guard<std::mutex> lock(mutex);
    return !inputPending;
  }, timeoutMs);
}

Bytes ScriptedPeer::Written()
{
  std::lock_guard<std::mutex> lock(mutex);
  return written;
}

bool ScriptedPeer::WaitWritten(size_t count, uint32_t timeoutMs)
{
  return WaitFor([&] {
    std::lock_guard<std::mutex> lock(mutex);
    return written.size() >= count;
  }, timeoutMs);
}

int ScriptedPeer::WriteCalls()
{
  std::lock_guard<std::mutex> lock(mutex);
  return writeCalls;
}

void ScriptedPeer::CloseGate()
{
  std::lock_guard<std::mutex> lock(mutex);
  gateClosed = true;
}

void ScriptedPeer::OpenGate()
{
  {
    std::lock_guard<std::mutex> lock(mutex);
    gateClosed = false;
  }
  gateChanged.notify_all();
}

bool ScriptedPeer::WaitBlockedInWrite(uint32_t timeoutMs)
{
  return WaitFor([this] {
    std::lock_guard<std::mutex> lock(mutex);
    return blockedInWrite;
  }, timeoutMs);
}

PtyLine::PtyLine()
{
  master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return;
  if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, slavePath, sizeof slavePath) != 0) {
    close(master);
    master = -1;
    return;
  }
  slave = open(slavePath, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) return;
  termios tio;
  if (tcgetattr(slave, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(slave, TCSANOW, &tio);
  }
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
}

PtyLine::~PtyLine()
{
  if (slave >= 0) close(slave);
  if (master >= 0) close(master);
}

void PtyLine::Write(const Bytes& bytes)
{
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(master, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      return;
    } else {
      OsSleep(1);
    }
  }
}

bool PtyLine::Read(size_t count, Bytes* bytes, uint32_t timeoutMs)
{
  bytes->clear();
  const uint32_t start = OsTickCount();
  while (bytes->size() < count) {
    if (OsTickCount() - start > timeoutMs) return false;
    pollfd readable = {master, POLLIN, 0};
    if (poll(&readable, 1, 10) <= 0) continue;
    uint8_t chunk[512];
    const size_t want = count - bytes->size() < sizeof chunk ? count - bytes->size() : sizeof chunk;
    const ssize_t n = read(master, chunk, want);
    if (n > 0) bytes->insert(bytes->end(), chunk, chunk + n);
  }
  return true;
}

bool PtyLine::Settings(uint32_t* baud, bool* oddParity, bool* twoStop)
{
  termios tio;
  if (tcgetattr(slave, &tio) != 0) return false;
  switch (cfgetospeed(&tio)) {
  case B9600: *baud = 9600; break;
  case B19200: *baud = 19200; break;
  case B38400: *baud = 38400; break;
  default: *baud = 0; break;
  }
  *oddParity = (tio.c_cflag & PARODD) != 0;
  *twoStop = (tio.c_cflag & CSTOPB) != 0;
  return true;
}
#endif
