// orvalix-names.ini: what is read, what is written back, and that the file
// on disk is never left broken nor written over when it was not taken.
#include "names/names_file.h"
#include "names/names_store.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Folder {
  fs::path dir = fs::temp_directory_path() /
                 ("orvalix-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) +
                  std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::string file = (dir / "orvalix-names.ini").string();
  Folder() { fs::create_directories(dir); }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
};

std::string Read(const std::string& path) {
  std::stringstream s;
  s << std::ifstream(path, std::ios::binary).rdbuf();
  return s.str();
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
  // What a name from the user may not be.
  EXPECT_EQ(Set(s, "COM1 2", 0, "Line\r\nName=Evil"), "bad text");
  EXPECT_EQ(Set(s, "COM1 2", 0, "a\tb"), "bad text");
  EXPECT_EQ(Set(s, "COM1 2", 0, std::string(32, 'n')), "too long");
  EXPECT_EQ(Set(s, "COM1 2", 64, "x") + Set(s, "COM1 2", -1, "x") + Set(s, "", 0, "x"), "bad textbad textbad text");
  EXPECT_EQ(Set(s, "COM1 2", 63, std::string(31, 'n')), "saved");
  NamesClose(s);
  s = NamesOpen(f.file.c_str(), status, sizeof status);
  const size_t merged = written.find("[IP3 1]");
  EXPECT_EQ(Read(f.file),
            written.substr(0, merged) + "Preset63=" + std::string(31, 'n') + "\r\n" + written.substr(merged));
  EXPECT_EQ(Name(s, "COM2 1", 0) + "|" + Name(s, "COM1 2", 12) + "|" + Name(s, "IP3 1", 1), "New [cam]=2|Altar|-");
  NamesClose(s);
}

TEST(NamesStore, AFileNotTakenIsNeverWrittenOver) {
  Folder f;
  std::string sections;  // many cameras are no fault
  for (int i = 0; i < 10000; i++) sections += "[IP1 " + std::to_string(i) + "]\nName=C" + std::to_string(i) + "\n";
  Write(f.file, sections);
  char status[kNamesStatusChars];
  NamesStore* s = NamesOpen(f.file.c_str(), status, sizeof status);
  EXPECT_EQ(status + Name(s, "IP1 9999", 0), "C9999");
  NamesClose(s);
  const std::string head = "[COM1 2]\nName=Kept\n";
  std::string manyLines;
  for (int i = 0; i < kNamesMaxLines; i++) manyLines += "x\n";
  const struct {
    std::string text, status;
  } rows[] = {
      {head + std::string(kNamesMaxFileBytes, ';'), "is larger than 1 MB"},
      {head + manyLines, "holds too many sections or lines"},
      {"", "cannot be read"},  // a folder where the file should be
  };
  for (const auto& r : rows) {
    fs::remove_all(f.file);
    if (r.text.empty())
      fs::create_directory(f.file);
    else
      Write(f.file, r.text);
    s = NamesOpen(f.file.c_str(), status, sizeof status);
    EXPECT_EQ(status, "orvalix-names.ini " + r.status + ": its names are not read, and it is left as it is");
    EXPECT_EQ(Name(s, "COM1 2", 0), "-");
    EXPECT_EQ(Set(s, "COM1 2", 0, "Mine"),
              "session: Names kept for this session only: orvalix-names.ini is left as it is");
    EXPECT_EQ(Set(s, "COM1 2", 7, "Too"), "session");
    EXPECT_EQ(Name(s, "COM1 2", 0) + Name(s, "COM1 2", 7), "MineToo");
    EXPECT_TRUE(r.text.empty() ? fs::is_directory(f.file) : Read(f.file) == r.text) << r.status;
    EXPECT_FALSE(fs::exists(f.file + ".new"));
    NamesClose(s);
  }
}

TEST(NamesStore, AFolderThatCannotBeWrittenKeepsTheNamesAndSaysSoOnce) {
  Folder f;
  Write((f.dir / "plain").string(), "");
  const std::string inAFile = (f.dir / "plain" / "orvalix-names.ini").string();
  const std::string vanishing = (f.dir / "gone" / "orvalix-names.ini").string();
  fs::create_directory(f.dir / "gone");
  for (const std::string& path : {inAFile, vanishing, std::string()}) {
    char status[kNamesStatusChars];
    NamesStore* s = NamesOpen(path.empty() ? nullptr : path.c_str(), status, sizeof status);
    EXPECT_STREQ(status, "");
    fs::remove_all(f.dir / "gone");
    EXPECT_EQ(Set(s, "IP1 1", 0, "Stage"), path.empty() ? "session: Names kept for this session only: no names file"
                                                        : "session: Names kept for this session only: "
                                                          "orvalix-names.ini cannot be written");
    EXPECT_EQ(Set(s, "IP1 1", 2, "Left"), "session");
    EXPECT_EQ(Set(s, "IP1 1", 2, "Left"), "session");
    EXPECT_EQ(Name(s, "IP1 1", 0) + Name(s, "IP1 1", 2), "StageLeft");
    EXPECT_EQ(NamesGeneration(s), 2u);
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
