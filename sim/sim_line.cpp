#include "sim/sim_line.h"

#include "sim/sim_camera.h"
#include "sim/sim_output.h"

#include <cstring>

struct SimLine::Impl final : SimCameraSink {
  SimTiming timing;
  SimFaults lineFaults;
  SimCamera cameras[kMaxCameras];
  int count = 0;
  SimOutput output;
  uint64_t nowUs = 0;
  bool anchored = false;
  uint32_t lastMs = 0;
  uint8_t rx[SimPacket::kMaxStored] = {};
  int rxLength = 0;
  uint64_t inputFreeUs = 0;
  uint64_t lineOutputFreeUs = 0;
  uint32_t noiseState = 0x2545F491u;

  void Reply(SimCamera& camera, uint64_t t, const uint8_t* data, int length) override {
    Emit(t, data, length, &camera.faults, &camera.outputFreeUs, camera.noiseAhead);
  }

  void PassOn(SimCamera& camera, uint64_t t, const uint8_t* data, int length) override {
    const int next = static_cast<int>(&camera - cameras) + 1;
    if (next < count) {
      if (!cameras[next].unpowered) cameras[next].Enqueue(data, length, t);
      return;
    }
    // The last camera's output is the line's return path to the controller.
    if (length == 4 && data[1] == 0x30 && lineFaults.shortAddressEchoes > 0) {
      --lineFaults.shortAddressEchoes;
      const uint8_t cut[3] = {data[0], data[1], 0xFF};
      Emit(t, cut, 3, nullptr, &lineOutputFreeUs, camera.noiseAhead);
      return;
    }
    Emit(t, data, length, nullptr, &lineOutputFreeUs, camera.noiseAhead);
  }

  uint8_t NoiseByte() {
    noiseState ^= noiseState << 13;
    noiseState ^= noiseState >> 17;
    noiseState ^= noiseState << 5;
    return static_cast<uint8_t>(noiseState % 0xFF);  // never 0xFF by itself
  }

  bool AnyUnpowered() const {
    for (int i = 0; i < count; ++i)
      if (cameras[i].unpowered) return true;
    return false;
  }

  // One packet onto the return line, through the line's and the sender's
  // faults, behind `noiseAhead` more bytes of noise.
  void Emit(uint64_t t, const uint8_t* data, int length, const SimFaults* own, uint64_t* freeUs, int noiseAhead) {
    if (lineFaults.silent || AnyUnpowered()) return;
    const SimFaults none;
    const SimFaults& f = own != nullptr ? *own : none;
    uint64_t due = t + (static_cast<uint64_t>(lineFaults.delayMs) + f.delayMs) * 1000u;
    if (due < *freeUs) due = *freeUs;

    int noise = lineFaults.noiseBytes + f.noiseBytes + noiseAhead;
    if (noise > 64) noise = 64;
    if (noise > 0) {
      uint8_t junk[64];
      for (int i = 0; i < noise; ++i) junk[i] = NoiseByte();
      if (lineFaults.noiseEndsPacket || f.noiseEndsPacket) junk[noise - 1] = 0xFF;
      output.Schedule(due, junk, noise);
    }

    const int piece = f.splitBytes > 0 ? f.splitBytes : lineFaults.splitBytes;
    const uint64_t gapUs = static_cast<uint64_t>(f.splitBytes > 0 ? f.splitGapMs : lineFaults.splitGapMs) * 1000u;
    if (piece <= 0) {
      output.Schedule(due, data, length);
    } else {
      for (int at = 0; at < length; at += piece) {
        const int n = length - at < piece ? length - at : piece;
        output.Schedule(due, data + at, n);
        if (at + n < length) due += gapUs;
      }
    }
    *freeUs = due;
  }

  void Route(const uint8_t* p, int length, uint64_t t) {
    if (length < 2 || count == 0) return;
    // Only a controller's header (sender 0) is taken; anything else is line noise.
    if ((p[0] & 0xF0) != 0x80) return;
    const int destination = p[0] & 0x0F;
    if (destination == 0 || destination > 8) return;
    // Round the chain in order: a camera without power lets nothing past, an
    // unnumbered one ignores what is addressed to its old number.
    for (int i = 0; i < count; ++i) {
      SimCamera& camera = cameras[i];
      if (camera.unpowered) return;
      if (destination == 8 || camera.state.address == destination) {
        if (destination == 8 || !camera.awaitingAddress) camera.Enqueue(p, length, t);
        return;
      }
    }
    // No camera has that address: the packet goes round the chain unchanged.
    if (length <= SimPacket::kMaxStored) Emit(t, p, length, nullptr, &lineOutputFreeUs, cameras[count - 1].noiseAhead);
  }

  void RunUntil(uint64_t target) {
    for (;;) {
      uint64_t best = kSimNever;
      int which = -1;
      for (int i = 0; i < count; ++i) {
        const uint64_t e = cameras[i].NextEventUs();
        if (e < best) {
          best = e;
          which = i;
        }
      }
      if (which < 0 || best > target) break;
      const uint64_t t = best > nowUs ? best : nowUs;
      cameras[which].Step(t, *this);
    }
    if (target > nowUs) nowUs = target;
    for (int i = 0; i < count; ++i) cameras[i].Settle(nowUs);
  }
};

SimLine::SimLine(const SimTiming& timing) : impl(new Impl) {
  impl->timing = timing;
  impl->output.pacing = timing.pacing;
}

SimLine::~SimLine() = default;

int SimLine::AddCamera(uint8_t modelCode) {
  if (impl->count == kMaxCameras) return -1;
  const int index = impl->count++;
  impl->cameras[index].Init(modelCode, &impl->timing, &impl->lineFaults);
  return index;
}

void SimLine::Advance(uint32_t nowMs) {
  if (!impl->anchored) {
    impl->anchored = true;
    impl->lastMs = nowMs;
    impl->RunUntil(impl->nowUs);
    return;
  }
  const uint32_t delta = nowMs - impl->lastMs;
  if (delta >= 0x80000000u) return;  // a tick from the past
  impl->lastMs = nowMs;
  impl->RunUntil(impl->nowUs + static_cast<uint64_t>(delta) * 1000u);
}

void SimLine::AdvanceToUs(uint64_t nowUs) { impl->RunUntil(nowUs); }

uint64_t SimLine::NextEventUs() const {
  uint64_t next = impl->output.NextDueUs();
  for (int i = 0; i < impl->count; ++i) {
    const uint64_t e = impl->cameras[i].NextEventUs();
    if (e < next) next = e;
  }
  return next;
}

void SimLine::Feed(const uint8_t* data, int length) {
  for (int i = 0; i < length; ++i) {
    uint64_t arrival = impl->nowUs;
    if (impl->timing.pacing) {
      const uint64_t start = impl->inputFreeUs > arrival ? impl->inputFreeUs : arrival;
      arrival = start + SimOutput::kByteUs;
      impl->inputFreeUs = arrival;
    }
    if (impl->rxLength < SimPacket::kMaxStored) impl->rx[impl->rxLength] = data[i];
    if (impl->rxLength < 0x7FFFFFFF) ++impl->rxLength;
    if (data[i] == 0xFF) {
      impl->Route(impl->rx, impl->rxLength, arrival);
      impl->rxLength = 0;
    }
  }
}

int SimLine::ReadByte(uint8_t* byte) { return impl->output.ReadByte(impl->nowUs, byte); }

int SimLine::TakeOutput(uint8_t* buffer, int capacity) {
  int n = 0;
  while (n < capacity && impl->output.ReadByte(impl->nowUs, &buffer[n]) == 1) ++n;
  return n;
}

void SimLine::SetLineFaults(const SimFaults& faults) { impl->lineFaults = faults; }

void SimLine::SetCameraFaults(int index, const SimFaults& faults) {
  if (index < 0 || index >= impl->count) return;
  impl->cameras[index].faults = faults;
  impl->cameras[index].handled = 0;  // a stop-after count starts now
  impl->cameras[index].positionInquiries = 0;
}

void SimLine::SendNetworkChange(int index) {
  if (index < 0 || index >= impl->count) return;
  const uint8_t body[1] = {0x38};
  impl->cameras[index].Send(*impl, impl->nowUs, body, 1);
}

void SimLine::SwitchCamera(int index, bool powered, bool announces) {
  if (index < 0 || index >= impl->count || !impl->cameras[index].unpowered == powered) return;
  if (powered) {
    impl->cameras[index].RestorePower(impl->nowUs, *impl, announces);
  } else {
    impl->cameras[index].CutPower(impl->nowUs);
  }
}

const SimCameraState& SimLine::State(int index) const {
  static const SimCameraState none;
  if (index < 0 || index >= impl->count) return none;
  return impl->cameras[index].state;
}

void SimLine::SetState(int index, const SimCameraState& state) {
  if (index < 0 || index >= impl->count) return;
  impl->cameras[index].ReplaceState(state);
}

int SimLine::ReceivedCount(int index) const {
  if (index < 0 || index >= impl->count) return 0;
  return impl->cameras[index].logCount;
}

bool SimLine::Received(int index, int n, SimPacket* packet) const {
  if (index < 0 || index >= impl->count) return false;
  const SimCamera& c = impl->cameras[index];
  if (n < 0 || n >= c.logCount) return false;
  *packet = c.log[(c.logStart + n) % kPacketLog];
  return true;
}

void SimLine::ClearReceived() {
  for (int i = 0; i < impl->count; ++i) {
    impl->cameras[i].logStart = 0;
    impl->cameras[i].logCount = 0;
  }
}
