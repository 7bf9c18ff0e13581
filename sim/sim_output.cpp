#include "sim/sim_output.h"

#include <cstring>

void SimOutput::Schedule(uint64_t dueUs, const uint8_t* data, int length) {
  while (length > 0) {
    const int n = length < kChunkBytes ? length : kChunkBytes;
    if (count == kMaxChunks) return;
    int at = count;
    while (at > 0 && chunks[at - 1].dueUs > dueUs) --at;
    std::memmove(&chunks[at + 1], &chunks[at], sizeof(Chunk) * static_cast<size_t>(count - at));
    Chunk& c = chunks[at];
    c.dueUs = dueUs;
    std::memcpy(c.bytes, data, static_cast<size_t>(n));
    c.length = n;
    c.offset = 0;
    ++count;
    data += n;
    length -= n;
  }
}

uint64_t SimOutput::NextDueUs() const {
  if (count == 0) return UINT64_MAX;
  const uint64_t due = chunks[0].dueUs;
  if (!pacing) return due;
  return (due > lastByteUs ? due : lastByteUs) + kByteUs;
}

int SimOutput::ReadByte(uint64_t nowUs, uint8_t* byte) {
  const uint64_t at = NextDueUs();
  if (at == UINT64_MAX || at > nowUs) return 0;
  Chunk& c = chunks[0];
  *byte = c.bytes[c.offset++];
  lastByteUs = at;
  if (c.offset == c.length) {
    --count;
    std::memmove(&chunks[0], &chunks[1], sizeof(Chunk) * static_cast<size_t>(count));
  }
  return 1;
}
