#include "command/name_commands.h"

#include "command/command_numbers.h"
#include "command/preset_number_commands.h"
#include "requests/preset_numbers.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kNumberChars = 16;
constexpr size_t kWhatChars = 48;

bool Blank(char c) { return c == ' ' || c == '\t'; }

// `arg` begins with the word `word`: `*rest` is what follows it and its blanks.
bool AfterWord(const char* arg, const char* word, const char** rest) {
  const size_t n = strlen(word);
  if (strncmp(arg, word, n) != 0 || (arg[n] != 0 && !Blank(arg[n]))) return false;
  *rest = arg + n + strspn(arg + n, " \t");
  return true;
}

// The selected camera and its key in the names store; false with the reason.
bool SelectedKey(CommandCall& call, CameraSnapshot* r, char* key, size_t size) {
  if (call.host.names == nullptr) {
    Refused(call, "no names kept");
    return false;
  }
  if (!HaveCamera(call)) return false;
  if (!EngineCamera(call.host.controller, call.session->selected, r)) {
    Refused(call, "no camera %d", static_cast<int>(call.session->selected + 1));
    return false;
  }
  NamesKey(NameOfLine(r->line).text, r->address, key, size);
  return true;
}

// "N TEXT": the preset number in the camera's range and its text.
bool PresetAndText(CommandCall& call, const CameraSnapshot& r, const char* arg, int32_t* n, const char** text) {
  const size_t length = strcspn(arg, " \t");
  char number[kNumberChars];
  long long value = 0;
  if (length < sizeof number) snprintf(number, sizeof number, "%.*s", static_cast<int>(length), arg);
  if (length >= sizeof number || !ParseCommandInteger(number, INT32_MIN, INT32_MAX, &value)) {
    Refused(call, "name preset needs a preset number: %s", arg);
    return false;
  }
  if (!IsPresetOf(value, r.panTilt == 1)) {
    RefusePresetNumber(call, r.panTilt == 1);
    return false;
  }
  *n = static_cast<int32_t>(value);
  *text = arg + length + strspn(arg + length, " \t");
  return true;
}

// The reply to a name set: the name as kept, then the store's word on it.
CommandOutcome Named(CommandCall& call, NameResult result, const char* what, bool named, const char* name,
                     const char* status) {
  switch (result) {
    case NAME_TOO_LONG:
      return Refused(call, "name too long (31 characters at most)");
    case NAME_BAD_TEXT:
      return Refused(call, "a name is plain text, without tabs");
    case NAME_NO_ROOM:
      return Refused(call, "no room for more names");
    case NAME_SAVED:
    case NAME_SESSION_ONLY:
      break;
  }
  const char* gap = status[0] != 0 ? ". " : "";
  if (!named) return Done(call, "%s name removed%s%s", what, gap, status);
  return Done(call, "%s named %s%s%s", what, name, gap, status);
}

}  // namespace

CommandOutcome RunName(CommandCall& call, const char*, const char* arg) {
  const char* rest = "";
  const bool camera = AfterWord(arg, "camera", &rest);
  if (!camera && !AfterWord(arg, "preset", &rest))
    return Refused(call, "name needs camera TEXT or preset N TEXT: %s", arg);
  CameraSnapshot r;
  char key[kNameChars];
  if (!SelectedKey(call, &r, key, sizeof key)) return COMMAND_ERROR;
  NamesStore* names = call.host.names;
  char what[kWhatChars], status[kNamesStatusChars], name[kNameChars];
  const int index = static_cast<int>(call.session->selected + 1);
  if (camera) {
    snprintf(what, sizeof what, "Camera %d", index);
    const NameResult result = NamesSetCamera(names, key, rest, status, sizeof status);
    return Named(call, result, what, NamesCamera(names, key, name, sizeof name), name, status);
  }
  int32_t n = 0;
  const char* text = "";
  if (!PresetAndText(call, r, rest, &n, &text)) return COMMAND_ERROR;
  snprintf(what, sizeof what, "Camera %d preset %d", index, static_cast<int>(n));
  const NameResult result = NamesSetPreset(names, key, n, text, status, sizeof status);
  return Named(call, result, what, NamesPreset(names, key, n, name, sizeof name), name, status);
}

CommandOutcome RunPresets(CommandCall& call, const char*, const char*) {
  CameraSnapshot r;
  char key[kNameChars];
  if (!SelectedKey(call, &r, key, sizeof key)) return COMMAND_ERROR;
  int32_t numbers[kNamesMaxPreset];
  char names[kNamesMaxPreset][kNameChars];
  const int32_t all = NamesListPresets(call.host.names, key, numbers, names, kNamesMaxPreset);
  // In ascending order: those of the camera's range first. A name beyond it
  // (the file's, or another model's at this line and address) is not shown.
  int32_t count = 0;
  while (count < all && IsPresetOf(numbers[count], r.panTilt == 1)) count++;
  if (call.replySize == 0) return COMMAND_OK;
  size_t end = static_cast<size_t>(snprintf(call.reply, call.replySize, "%d", static_cast<int>(count)));
  for (int32_t i = 0; i < count && end < call.replySize; i++)
    end += static_cast<size_t>(
        snprintf(call.reply + end, call.replySize - end, "\n%d %s", static_cast<int>(numbers[i]), names[i]));
  return COMMAND_OK;
}
