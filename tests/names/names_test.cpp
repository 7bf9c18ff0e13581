// orvalix-names.ini: what is read, what is written back, and that the file
// on disk is never left broken nor written over when it was not taken.
#include "names/names_file.h"
#include "names/names_store.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
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
  // A header not read, or read before, keeps its lines where they stand.
  const std::string file = "\xEF\xBB\xBFstray\n; Orvalix\r\n[COM1 2]\nName = Pulpit = A [1]\nPreset12=Choir wide\n" +
                           std::string("Colour=red\nPreset64=x\nPreset3=") + longValue + "\nName=Second\nPreset4=A" +
                           std::string(1, '\0') + "B\x01\n[IP3 1]\r\nPreset1=Door\n[COM1 2] ; pulpit\nName=Wrong\n" +
                           "[IP3\x01 1]\nPreset2=Bad\n[com1 2]\nPreset5=Merged\nPreset12=Later";
  Folder f;
  Write(f.file, file);
  char status[kNamesStatusChars];
  NamesStore* s = NamesOpen(f.file.c_str(), status, sizeof status);
  EXPECT_STREQ(status, "orvalix-names.ini line 1 skipped, kept as it is: stray (and 12 more)");
  EXPECT_EQ(Name(s, "COM1 2", 0) + "|" + Name(s, "COM1 2", 12) + "|" + Name(s, "COM1 2", 5) + "|" +
                Name(s, "COM1 2", 3) + "|" + Name(s, "COM1 2", 4) + "|" + Name(s, "IP3 1", 1) + "|" +
                Name(s, "IP3 1", 0) + Name(s, "IP3 1", 2),
            "Pulpit = A [1]|Choir wide|-|-|-|Door|--");
  int32_t numbers[3];
  char names[3][kNameChars];
  ASSERT_EQ(NamesListPresets(s, "COM1 2", numbers, names, 3), 1);
  EXPECT_EQ(std::to_string(numbers[0]) + names[0], "12Choir wide");
  EXPECT_EQ(Set(s, "COM1 2", 12, "Altar"), "saved");
  EXPECT_EQ(Set(s, "IP3 1", 0, "  Gallery "), "saved");
  EXPECT_EQ(Set(s, "IP3 1", 1, ""), "saved");
  EXPECT_EQ(Set(s, "COM2 1", 0, "New [cam]=2"), "saved");
  EXPECT_EQ(NamesGeneration(s), 4u);
  // Each line keeps its own end; a line the program adds ends in CRLF.
  std::string written = file;
  written.replace(written.find("Choir wide"), 10, "Altar");
  written.replace(written.find("Preset1=Door\n"), 13, "Name=Gallery\r\n");
  written += "\r\n[COM2 1]\r\nName=New [cam]=2\r\n";
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
  Write((f.dir / "kept.ini").string(), "; mine\n");
  fs::permissions(f.dir / "kept.ini", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
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
      {(f.dir / "kept.ini").string(), "", "", "kept.ini cannot be written"},     // read-only
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
  EXPECT_EQ(Read((f.dir / "kept.ini").string()), "; mine\n");
  fs::permissions(f.dir / "kept.ini", fs::perms::owner_write, fs::perm_options::add);
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
  // A file whose last line ends in a lone CR: a line after it begins a line of its own.
  Write(f.file, "[COM1 2]\r");
  char status[kNamesStatusChars];
  NamesStore* s = NamesOpen(f.file.c_str(), status, sizeof status);
  Set(s, "COM1 2", 0, "New");
  NamesClose(s);
  EXPECT_EQ(Read(f.file), "[COM1 2]\r\nName=New\r\n");
}

// Two programs in one folder, and the operator's editor: each one's names
// kept. A reader (the engine's thread, for the camera list) does not wait for
// the disk; a link is written through, its target keeping its mode.
TEST(NamesStore, AFileChangedByAnotherProgramIsReadAgainBeforeAWrite) {
  Folder f;
#ifndef _WIN32
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  Write((f.dir / "real.ini").string(), "");
  fs::permissions(f.dir / "real.ini", mode);
  fs::create_symlink(f.dir / "real.ini", f.file);
#endif
  static NamesStore* b;  // read from the hook
  NamesStore* a = NamesOpen(f.file.c_str(), nullptr, 0);
  b = NamesOpen(f.file.c_str(), nullptr, 0);
  static std::future<std::string> read;
  static bool inTime;
  EXPECT_EQ(Set(a, "COM1 1", 0, "Left"), "saved");
  EXPECT_EQ(Set(b, "COM1 2", 0, "Right"), "saved");
  EXPECT_EQ(Set(a, "COM1 1", 0, "Left2"), "saved");
  Write(f.file, Read(f.file) + "[IP1 1]\nName=Typed\n");
  OnNamesFlushForTest([] {
    read = std::async(std::launch::async, [] { return Name(b, "COM1 2", 3) + Name(b, "IP1 1", 0); });
    inTime = read.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  });
  EXPECT_EQ(Set(b, "COM1 2", 3, "Door"), "saved");
  OnNamesFlushForTest(nullptr);
  EXPECT_TRUE(inTime);
  EXPECT_EQ(read.get() + Name(b, "COM1 1", 0) + std::to_string(NamesGeneration(b)), "DoorTypedLeft24");
  EXPECT_EQ(Read(f.file), "[COM1 1]\r\nName=Left2\r\n[COM1 2]\r\nName=Right\r\nPreset3=Door\r\n[IP1 1]\nName=Typed\n");
#ifndef _WIN32
  EXPECT_TRUE(fs::is_symlink(f.file) && fs::status(f.file).permissions() == mode);
#endif
  // Changed into a file not taken: left as it is, the names kept for the session.
  const std::string large(kNamesMaxFileBytes + 1, ';');
  Write(f.file, large);
  EXPECT_EQ(Set(a, "COM1 1", 0, "Lost"),
            "session: Names kept for this session only: orvalix-names.ini was changed by another program");
  EXPECT_EQ(Set(a, "COM1 1", 0, "Again"), "session");
  EXPECT_TRUE(Read(f.file) == large);
  NamesClose(a);
  NamesClose(b);
}

}  // namespace
