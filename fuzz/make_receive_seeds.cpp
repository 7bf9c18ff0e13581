// Writes the receive and framer targets' seed inputs from real traffic: the rig's engine
// talks to simulated cameras, and every byte they send back is recorded as the
// input operation that delivers it, with the worker steps between.
//   make_receive_seeds <receive directory> <framer directory>
#include "fuzz/receive_rig.h"
#include "sim/sim_line.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace receive_rig;

namespace {

// The far end of one line: what the engine sends reaches the cameras.
struct CameraPeer : SerialPeer {
  SimLine* line = nullptr;
  void OnWrite(const uint8_t* data, int32_t length) override {
    if (!line) return;
    line->Advance(VirtualTick());
    line->Feed(data, length);
  }
  int ReadByte(uint8_t*) override { return 0; }
};

CameraPeer cameraPeers[kLines];

// The cameras get their addresses this long before the engine starts.
constexpr uint32_t kAddressingMs = 60;
// Quiet stretches shorter than this are stepped through.
constexpr uint32_t kMinJumpMs = 5;
// The framer target's rules: the packet-end test, each framing mode, a dropping callback.
constexpr uint8_t kFramerRules = 8;

struct Recorder {
  std::vector<uint8_t> input;
  int32_t line = 0;
  int32_t quietSteps = 0;

  void FlushSteps() {
    while (quietSteps > 0) {
      int32_t n = std::min(quietSteps, 64);
      input.push_back(static_cast<uint8_t>(kOpSteps | (n - 1)));
      quietSteps -= n;
    }
  }
  void Jump(uint32_t index) {
    FlushSteps();
    input.push_back(static_cast<uint8_t>(kOpJump | index));
  }
  void Bytes(int32_t from, const std::vector<uint8_t>& bytes) {
    FlushSteps();
    if (from != line) input.push_back(static_cast<uint8_t>(kOpLine | from));
    line = from;
    for (size_t at = 0; at < bytes.size(); at += 64) {
      size_t n = std::min<size_t>(64, bytes.size() - at);
      input.push_back(static_cast<uint8_t>(kOpData | (n - 1)));
      input.insert(input.end(), bytes.begin() + long(at), bytes.begin() + long(at + n));
    }
  }
};

// Milliseconds from now until something can happen: a byte from a line, or
// the engine's next move on its own (a time-out, the end of the start-up
// delay, an idle poll). 0 when the engine acts at once.
uint32_t QuietMs(const std::unique_ptr<SimLine>* lines, uint32_t anchor) {
  CameraController* c = rig->c;
  const uint32_t since = virtualTick - c->sendTick.load();
  uint32_t quiet = 0;
  if (c->stage.load() != STAGE_NONE)
    quiet = static_cast<uint32_t>(c->timeoutMs.load()) + 1 > since ? c->timeoutMs.load() + 1 - since : 0;
  else if (c->phase.load() == PHASE_STARTUP && c->followUp.load() == 0)
    quiet = kStartupDelayMs + 1 > since ? kStartupDelayMs + 1 - since : 0;
  else if (c->phase.load() == PHASE_IDLE && c->cameraSelected.load() && c->listReady.load())
    quiet = kPollSpacingMs + 1 > since ? kPollSpacingMs + 1 - since : 0;
  const uint64_t nowUs = static_cast<uint64_t>(virtualTick - anchor) * 1000u;
  for (int i = 0; i < 2; i++) {
    if (!lines[i]) continue;
    const uint64_t next = lines[i]->NextEventUs();
    // The jump must end before the byte is due, so it arrives before a step.
    const uint64_t gap = next <= nowUs ? 0 : (next - nowUs) / 1000u;
    quiet = static_cast<uint32_t>(std::min<uint64_t>(quiet, gap > 0 ? gap - 1 : 0));
  }
  return quiet;
}

// The index of the longest clock jump that fits into a quiet stretch; 0 for none.
uint32_t QuietJump(const std::unique_ptr<SimLine>* lines, uint32_t anchor) {
  const uint32_t quiet = QuietMs(lines, anchor);
  uint32_t best = 0;
  for (uint32_t j = 0; j < 32; j++)
    if (kJumps[j] >= kMinJumpMs && kJumps[j] <= quiet && kJumps[j] > kJumps[best]) best = j;
  return kJumps[best] >= kMinJumpMs ? best : 0;
}

struct Scenario {
  const char* name;
  uint8_t start, setup, request;
  std::vector<uint8_t> com1, com2;  // camera models per line
  int32_t steps;                    // how long the conversation is recorded at most
  bool untilIdle;                   // or until the engine is idle again, its list filled
};

// Runs one scenario and returns its input; `replies` gets the bytes the
// cameras sent, in order.
std::vector<uint8_t> Record(const Scenario& s, std::vector<uint8_t>* replies) {
  std::unique_ptr<SimLine> lines[2];
  const std::vector<uint8_t>* models[2] = {&s.com1, &s.com2};
  for (int i = 0; i < 2; i++) {
    if (models[i]->empty()) continue;
    // Start-up at the fast pace keeps its input short; commands and their
    // read-backs at a camera's real pace.
    lines[i].reset(
        new SimLine(kStarts[s.start % kStartCount].kind <= START_FOUND ? SimFastTiming() : SimRealisticTiming()));
    for (uint8_t m : *models[i]) lines[i]->AddCamera(m);
  }
  const uint8_t header[3] = {s.start, s.setup, s.request};
  const uint32_t start = (s.setup & kNearWrap) ? kTickNearWrap : kStartTick;
  const uint32_t anchor = start - kAddressingMs;
  for (int i = 0; i < 2; i++) {
    cameraPeers[i].line = lines[i].get();
    if (!lines[i]) continue;
    lines[i]->Advance(anchor);
    // Past discovery the cameras already have their addresses.
    if (kStarts[s.start % kStartCount].kind > START_NEXT_PORT) {
      const uint8_t addressSet[] = {0x88, 0x30, 0x01, 0xFF};
      lines[i]->Feed(addressSet, sizeof addressSet);
    }
    lines[i]->Advance(start);
    uint8_t b;
    while (lines[i]->ReadByte(&b)) {
    }
  }
  ApplyStart(header, sizeof header);
  Recorder rec;
  rec.input.assign(header, header + 3);
  for (int32_t n = 0; n < s.steps; n++) {
    const uint32_t jump = QuietJump(lines, anchor);
    if (jump > 0) {
      rec.Jump(jump);
      virtualTick += kJumps[jump] - 1;
      Step();
      continue;
    }
    for (int32_t i = 0; i < 2; i++) {
      if (!lines[i]) continue;
      lines[i]->Advance(virtualTick + 1);
      std::vector<uint8_t> due;
      uint8_t b;
      while (lines[i]->ReadByte(&b)) due.push_back(b);
      if (due.empty()) continue;
      rec.Bytes(i, due);
      replies->insert(replies->end(), due.begin(), due.end());
      Receive(i, due.data(), static_cast<int32_t>(due.size()));
    }
    Step();
    rec.quietSteps++;
    if (s.untilIdle && rig->c->phase.load() == PHASE_IDLE && rig->c->listReady.load()) break;
  }
  rec.FlushSteps();
  for (CameraPeer& p : cameraPeers) p.line = nullptr;
  printf("%s: mode %d, %d cameras, list %s, ", s.name, StateNumber(rig->c), rig->c->cameraCount.load(),
         rig->c->listReady.load() ? "ready" : "empty");
  return rec.input;
}

bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  bool written = f && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f) fclose(f);
  if (!written) fprintf(stderr, "cannot write %s\n", path.c_str());
  return written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: make_receive_seeds <receive directory> <framer directory>\n");
    return 2;
  }
  SerialPeer* peers[kLines] = {&cameraPeers[0], &cameraPeers[1], &cameraPeers[2]};
  SetUpOnce(peers);
  // Set-up byte: models kModels[setup & 7] onward, (setup >> 6) % 3 + 1 cameras.
  const Scenario scenarios[] = {
      {"startup-4B", 0, 0x01, 0, {0x4B}, {}, 2500, true},
      {"startup-66", 0, 0x04, 0, {0x66}, {}, 2500, true},
      {"startup-40", 0, 0x00, 0, {0x40}, {}, 2500, true},
      {"startup-5F-5C-66", 0, 0x02, 0, {0x5F, 0x5C}, {0x66}, 6000, true},
      {"startup-wrap-67", 0, 0x85, 0, {0x67}, {}, 2500, true},
      {"found-5C", 3, 0x02, 0, {0x5C}, {}, 2500, true},
      {"idle-poll-40", 4, 0x00, 0, {0x40}, {}, 40, false},
      {"idle-poll-66", 4, 0x0C, 0, {0x66}, {}, 40, false},
      // Two cameras in brightness mode; 0x40 gets its level as two commands.
      {"command-5-40-bright", 5, 0x40, 5, {0x40, 0x4B}, {}, 5000, true},
  };
  std::vector<Scenario> all(std::begin(scenarios), std::end(scenarios));
  // A command of each kind and its read-back.
  const uint8_t requests[] = {1, 3, 4, 5, 6, 7, 8, 9, 10, 12, 15, 18, 28, 29, 30, 32, 39, 40, 41, 43, 44, 45, 46, 48};
  static std::vector<std::string> names;
  names.reserve(2 * sizeof requests);
  for (uint8_t r : requests) {
    // Model 0x40 emulates brightness and has no gain default of its own.
    const bool also40 = r == 5 || r == 6 || r == 8;
    for (uint8_t setup : {uint8_t{0x03}, uint8_t{0x18}}) {
      if (setup == 0x18 && !also40) continue;
      names.push_back("command-" + std::to_string(r) + (setup == 0x03 ? "-5F" : "-40"));
      uint8_t model = kModels[setup & kModelBits];
      all.push_back({names.back().c_str(), 5, setup, r, {model}, {}, 5000, true});
    }
  }
  // Made by hand from an acknowledge, 90 41 FF: three cameras, the third on
  // COM2; 256 acknowledges arrive on COM2 while the engine speaks to COM1, so
  // its ring fills and drops; then the third camera is selected and polled.
  const std::vector<uint8_t> burst = {4,    0x82, 0,    kOpLine | 1, kOpData | 2,     0x90,         0x41,
                                      0xFF, 0xFF, 0xFF, 0xE2,        kOpSteps | 0x3F, kOpJump | 12, kOpSteps | 0x3F};
  if (!Write(std::string(argv[1]) + "/burst-fills-com2", burst)) return 1;

  // The framer target's seeds: the replies of a start-up, of a 0x40 camera's
  // initialisation and of a long read-back, under every framing rule, split
  // at a quarter, a half and three quarters.
  const char* framerSources[] = {"startup-5F-5C-66", "startup-40", "command-41-5F"};
  for (const Scenario& s : all) {
    std::vector<uint8_t> replies;
    std::vector<uint8_t> input = Record(s, &replies);
    if (!Write(std::string(argv[1]) + "/" + s.name, input)) return 1;
    printf("%zu bytes\n", input.size());
    for (const char* source : framerSources) {
      if (std::string(source) != s.name) continue;
      for (uint8_t rule = 0; rule < kFramerRules; rule++) {
        std::vector<uint8_t> seed = {rule, 3, 0x40, 0x80, 0xC0};
        seed.insert(seed.end(), replies.begin(), replies.end());
        if (!Write(std::string(argv[2]) + "/" + s.name + "-rule" + std::to_string(rule), seed)) return 1;
      }
    }
  }
  return 0;
}
