#include "tests/e2e/line_traffic.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kReplyTokens = 6;  // acknowledge and completion, three bytes each
constexpr size_t kTokenChars = 4;   // direction, two digits, blank

bool IsReply(const std::string& token, char kind) {
  return token.size() == kTokenChars && token[0] == '<' && token[1] == kind;
}

}  // namespace

std::string LineTraffic(const std::string& path, int line, long long offset) {
  std::string traffic;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return traffic;
  _fseeki64(file, offset, SEEK_SET);
  char tag[16];
  std::snprintf(tag, sizeof tag, " L%d ", line);
  char row[1024];
  while (std::fgets(row, sizeof row, file)) {
    const char* at = std::strstr(row, tag);
    if (!at) continue;
    const char* arrow = at + std::strlen(tag);
    char mark = std::strncmp(arrow, "->", 2) == 0 ? '>' : std::strncmp(arrow, "<-", 2) == 0 ? '<' : 0;
    if (!mark) continue;
    unsigned byte;
    int used;
    for (const char* p = arrow + 2; std::sscanf(p, " %2x%n", &byte, &used) == 1; p += used) {
      char token[8];
      std::snprintf(token, sizeof token, "%c%02X ", mark, byte);
      traffic += token;
    }
  }
  std::fclose(file);
  return traffic;
}

bool AnsweredBefore(const std::string& traffic, const std::string& command, const std::string& next) {
  size_t at = traffic.find(command);
  if (at == std::string::npos) return false;
  size_t from = at + command.size();
  if (traffic.size() < from + kReplyTokens * kTokenChars) return false;
  std::string reply[kReplyTokens];
  for (size_t i = 0; i < kReplyTokens; i++) reply[i] = traffic.substr(from + i * kTokenChars, kTokenChars);
  bool answered = reply[0] == "<90 " && IsReply(reply[1], '4') && reply[2] == "<FF " && reply[3] == "<90 " &&
                  IsReply(reply[4], '5') && reply[5] == "<FF ";
  return answered && traffic.find(next, from) != std::string::npos;
}
