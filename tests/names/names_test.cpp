// orvalix-names.ini: what is read, what is written back, and that the file
// on disk is never left broken nor written over when it was not taken.
#include "names/names_file.h"
#include "names/names_store.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Folder {
  fs::path dir = fs::temp_directory_path() /
                 ("orvalix-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) +
                  std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::string file = (dir / "orvalix-names.ini").string();
  std::error_code ignored;
  Folder() { fs::create_directories(dir); }
  ~Folder() { fs::remove_all(dir, ignored); }
};

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

const char* kResults[] = {"saved", "session", "too long", "bad text", "no room"};

// "RESULT" or "RESULT: STATUS" of a set; preset 0 names the camera.
std::string Set(NamesStore* s, const char* key, int32_t preset, const std::string& text) {
  char status[kNamesStatusChars];
  const NameResult r = preset == 0 ? NamesSetCamera(s, key, text.c_str(), status, sizeof status)
                                   : NamesSetPreset(s, key, preset, text.c_str(), status, sizeof status);
  return kResults[r] + std::string(status[0] ? ": " : "") + status;
}

std::string Name(NamesStore* s, const char* key, int32_t preset) {
  char out[kNameChars] = "?";
  const bool named = preset == 0 ? NamesCamera(s, key, out, sizeof out) : NamesPreset(s, key, preset, out, sizeof out);
  return named ? out : "-";
}

TEST(NamesStore, ReadsNamesAndWritesOddLinesBackInPlace) {
  const std::string longValue(300, 'x');
  const std::string file =
      "; Orvalix\r\nstray\n[COM1 2]\nName = Pulpit = A [1]\nPreset12=Choir wide\nColour=red\nPreset64=x\nPreset3=" +
      longValue + "\nName=Second\nPreset4=A" + std::string(1, '\0') + "B\x01\n[IP3 1]\nPreset1=Door\n[com1 2]\n" +
      "Preset5=Merged\nPreset12=Later";
  Folder f;
  Write(f.file, file);
  char status[kNamesStatusChars];
  NamesStore* s = NamesOpen(f.file.c_str(), status, sizeof status);
  EXPECT_STREQ(status, "orvalix-names.ini line 2 skipped, kept as it is: stray (and 6 more)");
  EXPECT_EQ(Name(s, "COM1 2", 0) + "|" + Name(s, "COM1 2", 12) + "|" + Name(s, "COM1 2", 5) + "|" +
                Name(s, "COM1 2", 3) + "|" + Name(s, "COM1 2", 4) + "|" + Name(s, "IP3 1", 1),
            "Pulpit = A [1]|Choir wide|Merged|-|-|Door");
  int32_t numbers[3];
  char names[3][kNameChars];
  ASSERT_EQ(NamesListPresets(s, "COM1 2", numbers, names, 3), 2);
  EXPECT_EQ(std::to_string(numbers[0]) + names[0] + std::to_string(numbers[1]) + names[1], "5Merged12Choir wide");
  EXPECT_EQ(Set(s, "COM1 2", 12, "Altar"), "saved");
  EXPECT_EQ(Set(s, "IP3 1", 0, "  Gallery "), "saved");
  EXPECT_EQ(Set(s, "IP3 1", 1, ""), "saved");
  EXPECT_EQ(Set(s, "COM2 1", 0, "New [cam]=2"), "saved");
  EXPECT_EQ(NamesGeneration(s), 4u);
  const std::string written =
      "; Orvalix\r\nstray\r\n[COM1 2]\r\nName = Pulpit = A [1]\r\nPreset12=Altar\r\n"
      "Colour=red\r\nPreset64=x\r\nPreset3=" +
      longValue + "\r\nName=Second\r\nPreset4=A" + std::string(1, '\0') +
      "B\x01\r\nPreset5=Merged\r\nPreset12=Later\r\n[IP3 1]\r\n"
      "Name=Gallery\r\n[COM2 1]\r\nName=New [cam]=2\r\n";
  EXPECT_EQ(Read(f.file), written);
  // The same name again writes nothing.
  fs::remove(f.file);
  EXPECT_EQ(Set(s, "IP3 1", 0, "Gallery"), "saved");
  EXPECT_FALSE(fs::exists(f.file));
  EXPECT_EQ(NamesGeneration(s), 4u);
  // What a name from the user may not be; 31 characters it may.
  EXPECT_EQ(Set(s, "COM1 2", 0, "Line\r\nName=Evil") + Set(s, "COM1 2", 0, "a\tb") +
                Set(s, "COM1 2", 0, std::string(32, 'n')) + Set(s, "COM1 2", 64, "x") + Set(s, "", 0, "x"),
            "bad textbad texttoo longbad textbad text");
  EXPECT_EQ(Set(s, "COM2 1", 0, "New [cam]=2" + std::string(20, 'n')), "saved");
  NamesClose(s);
  s = NamesOpen(f.file.c_str(), status, sizeof status);
  EXPECT_EQ(Name(s, "COM2 1", 0) + "|" + Name(s, "COM1 2", 12) + "|" + Name(s, "IP3 1", 1),
            "New [cam]=2" + std::string(20, 'n') + "|Altar|-");
  NamesClose(s);
  std::string sections;  // many cameras are no fault
  for (int i = 0; i < 10000; i++) sections += "[IP1 " + std::to_string(i) + "]\nName=C" + std::to_string(i) + "\n";
  Write(f.file, sections);
  s = NamesOpen(f.file.c_str(), status, sizeof status);
  EXPECT_EQ(status + Name(s, "IP1 9999", 0), "C9999");
  NamesClose(s);
}

// A file not taken is never written over; a folder that cannot be written
// keeps the names for the session. Either is said once.
TEST(NamesStore, NamesForTheSessionOnlyWhenTheFileIsNotTakenOrCannotBeWritten) {
  Folder f;
  std::string manyLines = "[COM1 2]\nName=Kept\n";
  for (int i = 0; i < kNamesMaxLines; i++) manyLines += "x\n";
  Write((f.dir / "plain").string(), "");
  fs::create_directory(f.dir / "gone");
  fs::create_directory(f.dir / "folder");
  const std::string left = ": its names are not read, and it is left as it is";
  const struct {
    std::string path, text, opened, said;
  } rows[] = {
      // First, before the later rows make it: a folder takes the file's place.
      {(f.dir / "late").string(), "", "", "late cannot be written"},
      {f.file, "[COM1 2]\nName=Kept\n" + std::string(kNamesMaxFileBytes, ';'),
       "orvalix-names.ini is larger than 1 MB" + left, "orvalix-names.ini is left as it is"},
      {f.file, manyLines, "orvalix-names.ini holds too many sections or lines" + left,
       "orvalix-names.ini is left as it is"},
      {(f.dir / "folder").string(), "", "folder cannot be read" + left, "folder is left as it is"},
      {(f.dir / "plain" / "x.ini").string(), "", "", "x.ini cannot be written"},
      {(f.dir / "gone" / "x.ini").string(), "", "", "x.ini cannot be written"},  // the folder vanishes
      {"", "", "", "no names file"},
  };
  for (const auto& r : rows) {
    if (!r.text.empty()) Write(r.path, r.text);
    char status[kNamesStatusChars];
    NamesStore* s = NamesOpen(r.path.empty() ? nullptr : r.path.c_str(), status, sizeof status);
    fs::remove_all(f.dir / "gone");
    fs::create_directories(f.dir / "late" / "in");
    EXPECT_EQ(status + Name(s, "COM1 2", 0), r.opened + "-");
    EXPECT_EQ(Set(s, "COM1 2", 0, "Mine"), "session: Names kept for this session only: " + r.said);
    EXPECT_EQ(Set(s, "COM1 2", 7, "Too") + Set(s, "COM1 2", 7, "Too"), "sessionsession");
    EXPECT_EQ(Name(s, "COM1 2", 0) + Name(s, "COM1 2", 7) + std::to_string(NamesGeneration(s)), "MineToo2");
    EXPECT_TRUE(r.text.empty() || Read(r.path) == r.text) << r.opened;
    EXPECT_FALSE(fs::exists(r.path + ".new")) << r.said;
    NamesClose(s);
  }
}

TEST(NamesStore, AWriteStoppedAtAnyStepLeavesTheOldFileOrTheNew) {
  Folder f;
  const std::string before = "[COM1 2]\r\nName=Old\r\n", after = "[COM1 2]\r\nName=New\r\n";
  for (int step = NAMES_STEP_CREATE; step < NAMES_STEPS; step++) {
    Write(f.file, before);
    char status[kNamesStatusChars];
    NamesStore* s = NamesOpen(f.file.c_str(), status, sizeof status);
    StopNamesWritesForTest(static_cast<NamesWriteStep>(step));
    Set(s, "COM1 2", 0, "New");
    StopNamesWritesForTest(NAMES_STEPS);
    NamesClose(s);
    EXPECT_EQ(Read(f.file), step == NAMES_STEP_REPLACE ? after : before) << step;
    s = NamesOpen(f.file.c_str(), status, sizeof status);
    EXPECT_EQ(Name(s, "COM1 2", 0) + status, step == NAMES_STEP_REPLACE ? "New" : "Old") << step;
    // The next write goes through, over what the stopped one left.
    EXPECT_EQ(Set(s, "COM1 2", 0, "Next"), "saved");
    NamesClose(s);
  }
}

}  // namespace
