#include "tools/src/soak/soak_line.h"

#include "platform/os.h"

#include <poll.h>
#include <cstdio>

namespace {

// The pump wakes at least this often to send replies that fall due.
constexpr int kPumpWakeMs = 1;

}  // namespace

SoakLine::SoakLine(const SimTiming& timing, const char* linkPath) : line(timing) {
  snprintf(link, sizeof link, "%s", linkPath);
}

SoakLine::~SoakLine() { Stop(); }

bool SoakLine::Start(ReceivedHandler onReceived, SentHandler onSent, char* error, int errorSize) {
  received = onReceived;
  sent = onSent;
  if (!Return(error, errorSize)) return false;
  pump = std::thread([this] { Pump(); });
  return true;
}

void SoakLine::Stop() {
  stop = true;
  if (pump.joinable()) pump.join();
  std::lock_guard<std::mutex> guard(lock);
  pty.reset();
}

void SoakLine::SetLineFaults(const SimFaults& faults) {
  std::lock_guard<std::mutex> guard(lock);
  line.SetLineFaults(faults);
}

void SoakLine::SetCameraFaults(int index, const SimFaults& faults) {
  std::lock_guard<std::mutex> guard(lock);
  line.SetCameraFaults(index, faults);
}

void SoakLine::SendNetworkChange(int index) {
  std::lock_guard<std::mutex> guard(lock);
  line.SendNetworkChange(index);
}

void SoakLine::Power(int index, bool on) {
  std::lock_guard<std::mutex> guard(lock);
  line.SwitchCamera(index, on);
}

void SoakLine::Vanish() {
  std::lock_guard<std::mutex> guard(lock);
  TakeReceived();
  pty.reset();  // closes both ends and removes the link
  partialLength = 0;
}

bool SoakLine::Return(char* error, int errorSize) {
  std::lock_guard<std::mutex> guard(lock);
  std::unique_ptr<PtyLine> fresh(new PtyLine);
  if (!fresh->Open(link, error, errorSize)) return false;
  pty = std::move(fresh);
  return true;
}

void SoakLine::TakeReceived() {
  for (int index = 0; index < SimLine::kMaxCameras; index++) {
    int count = line.ReceivedCount(index);
    for (int n = 0; n < count; n++) {
      SimPacket packet;
      if (!line.Received(index, n, &packet)) break;
      int length = packet.length < SimPacket::kMaxStored ? packet.length : SimPacket::kMaxStored;
      if (received) received(index, packet.bytes, length);
    }
  }
  line.ClearReceived();
}

void SoakLine::ServeOnce() {
  std::lock_guard<std::mutex> guard(lock);
  line.Advance(OsTickCount());
  uint8_t buffer[512];
  if (pty) {
    int n = pty->Read(buffer, sizeof buffer);
    for (int i = 0; i < n; i++) {
      if (partialLength < static_cast<int>(sizeof partial)) partial[partialLength++] = buffer[i];
      if (buffer[i] != 0xFF) continue;
      if (sent) sent(partial, partialLength);
      partialLength = 0;
    }
    line.Feed(buffer, n);
  }
  int out = line.TakeOutput(buffer, sizeof buffer);
  if (pty && out > 0) pty->Write(buffer, out);
  TakeReceived();
}

void SoakLine::Pump() {
  while (!stop) {
    ServeOnce();
    int fd = -1;
    {
      std::lock_guard<std::mutex> guard(lock);
      if (pty) fd = pty->MasterFd();
    }
    // Wakes on the engine's bytes, else after a millisecond for due replies.
    if (fd >= 0) {
      pollfd wait = {fd, POLLIN, 0};
      poll(&wait, 1, kPumpWakeMs);
    } else {
      OsSleep(kPumpWakeMs);
    }
  }
}
