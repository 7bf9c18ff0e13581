// Writes the receive target's seed inputs from real traffic: the rig's engine
// talks to simulated cameras, and every byte they send back is recorded as the
// input operation that delivers it, with the worker steps between.
//   make_receive_seeds <directory>
#include "sim/sim_line.h"
#include "tests/fuzz/receive_rig.h"

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

struct Scenario {
  const char* name;
  uint8_t start, setup, request;
  std::vector<uint8_t> com1, com2;  // camera models per line
  int32_t steps;                    // how long the conversation is recorded at most
  bool untilIdle;                   // or until the engine is idle again
};

// Runs one scenario and returns its input.
std::vector<uint8_t> Record(const Scenario& s) {
  std::unique_ptr<SimLine> lines[2];
  const std::vector<uint8_t>* models[2] = {&s.com1, &s.com2};
  for (int i = 0; i < 2; i++) {
    if (models[i]->empty()) continue;
    // Start-up at the fast pace keeps its input short; commands and their
    // read-backs at a camera's real pace.
    lines[i].reset(new SimLine(s.untilIdle ? SimRealisticTiming() : SimFastTiming()));
    for (uint8_t m : *models[i]) lines[i]->AddCamera(m);
  }
  const uint8_t header[3] = {s.start, s.setup, s.request};
  virtualTick = (s.setup & kNearWrap) ? kTickNearWrap : kStartTick;
  for (int i = 0; i < 2; i++) {
    cameraPeers[i].line = lines[i].get();
    if (!lines[i]) continue;
    lines[i]->Advance(virtualTick);
    // Past discovery the cameras already have their addresses.
    if (kStarts[s.start % kStartCount].kind > START_NEXT_PORT) {
      const uint8_t addressSet[] = {0x88, 0x30, 0x01, 0xFF};
      lines[i]->Feed(addressSet, sizeof addressSet);
      lines[i]->Advance(virtualTick + 50);
      uint8_t b;
      while (lines[i]->ReadByte(&b)) {
      }
    }
  }
  MakePanel();
  ApplyStart(header, sizeof header);
  Recorder rec;
  rec.input.assign(header, header + 3);
  for (int32_t n = 0; n < s.steps; n++) {
    for (int32_t i = 0; i < 2; i++) {
      if (!lines[i]) continue;
      lines[i]->Advance(virtualTick + 1);
      std::vector<uint8_t> due;
      uint8_t b;
      while (lines[i]->ReadByte(&b)) due.push_back(b);
      if (due.empty()) continue;
      rec.Bytes(i, due);
      Receive(i, due.data(), static_cast<int32_t>(due.size()));
    }
    Step();
    rec.quietSteps++;
    if (s.untilIdle && rig->c->mode.load() == MODE_IDLE) break;
  }
  rec.FlushSteps();
  for (CameraPeer& p : cameraPeers) p.line = nullptr;
  printf("%s: mode %d, %d cameras, list %s, ", s.name, rig->c->mode.load(), rig->c->cameraCount.load(),
         rig->c->listReady.load() ? "ready" : "empty");
  return rec.input;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: make_receive_seeds <directory>\n");
    return 2;
  }
  SerialPeer* peers[kLines] = {&cameraPeers[0], &cameraPeers[1], &cameraPeers[2]};
  SetUpOnce(peers);
  // Set-up byte: models kModels[setup & 7] onward, (setup >> 6) % 3 + 1 cameras.
  const Scenario scenarios[] = {
      {"startup-4B", 0, 0x01, 0, {0x4B}, {}, 2500, false},
      {"startup-66", 0, 0x04, 0, {0x66}, {}, 2500, false},
      {"startup-40", 0, 0x00, 0, {0x40}, {}, 2500, false},
      {"startup-5F-5C-66", 0, 0x02, 0, {0x5F, 0x5C}, {0x66}, 6000, false},
      {"startup-wrap-67", 0, 0x85, 0, {0x67}, {}, 2500, false},
      {"found-5C", 3, 0x02, 0, {0x5C}, {}, 2500, false},
      {"idle-poll-40", 4, 0x00, 0, {0x40}, {}, 1200, false},
      {"idle-poll-66", 4, 0x0C, 0, {0x66}, {}, 1200, false},
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
  for (const Scenario& s : all) {
    std::vector<uint8_t> input = Record(s);
    std::string path = std::string(argv[1]) + "/" + s.name;
    FILE* f = fopen(path.c_str(), "wb");
    if (!f || fwrite(input.data(), 1, input.size(), f) != input.size()) {
      fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    fclose(f);
    printf("%zu bytes\n", input.size());
  }
  return 0;
}
