#include "platform/posix/posix_registry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/posix/reg_unicode.h"
#include "support/temp_dir.h"

namespace qmon::platform::posix {
namespace {

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";

// A registry file from LF text: header first, LF line ends become CR LF.
std::string Reg(std::string_view body, bool header = true) {
  std::string out;
  for (char c : header ? kHeader + std::string(body) : std::string(body)) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

struct Read {
  int32_t rc;
  uint32_t type, size;
  std::string bytes;
};

class PosixRegistryTest : public ::testing::Test {
 protected:
  std::string path() const { return dir_ / "system.reg"; }
  void WriteFile(const std::string& bytes) const {
    std::ofstream(path(), std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string ReadFile() const {
    std::ostringstream out;
    out << std::ifstream(path(), std::ios::binary).rdbuf();
    return out.str();
  }
  long FolderEntries() const {
    return std::distance(std::filesystem::directory_iterator(dir_.path()), {});
  }
  Hkey Open(const std::string& subkey) {
    Hkey key = 0;
    EXPECT_EQ(reg_.OpenKeyEx(kHkeyLocalMachine, subkey, 0, kKeyRead, &key), kErrorSuccess);
    return key;
  }
  Hkey Create(const std::string& subkey) {
    Hkey key = 0;
    EXPECT_EQ(reg_.CreateKey(kHkeyLocalMachine, subkey, &key), kErrorSuccess) << subkey;
    return key;
  }
  Read Query(Hkey key, const std::string& name, uint32_t buffer_size = 256) {
    std::vector<uint8_t> buffer(buffer_size);
    Read r{0, 0, buffer_size, {}};
    r.rc = reg_.QueryValueEx(key, name, &r.type, buffer.data(), &r.size);
    if (r.rc == kErrorSuccess) r.bytes.assign(buffer.begin(), buffer.begin() + r.size);
    return r;
  }
  std::string Text(Hkey key, const std::string& name) {
    const Read r = Query(key, name);
    return r.rc == kErrorSuccess ? r.bytes : "<error " + std::to_string(r.rc) + ">";
  }
  int32_t Set(Hkey key, const std::string& name, const std::string& data, uint32_t type = kRegSz) {
    return reg_.SetValueEx(key, name, type, reinterpret_cast<const uint8_t*>(data.data()),
                           static_cast<uint32_t>(data.size()));
  }

  test::ScopedTempDir dir_;
  PosixRegistry reg_{dir_ / "system.reg"};
};

TEST_F(PosixRegistryTest, NamesMatchWithoutCaseAndKeepTheirSpelling) {
  const std::string key = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\n";
  WriteFile(Reg(key + "\"REGID\"=\"42\"\n\"Caf\xC3\xA9\"=\"1\"\n\n"));
  const Hkey read = Open("Software\\Qavood");
  EXPECT_EQ(Text(read, "regid"), std::string("42\0", 3));
  EXPECT_EQ(Text(read, "CAF\xC9"), std::string("1\0", 2));  // É in Windows-1252
  const std::string before = ReadFile();
  const Hkey write = Create("software\\qavood");
  EXPECT_EQ(ReadFile(), before);  // an existing key is not written again
  EXPECT_EQ(Set(write, "regid", "43"), kErrorSuccess);
  Create("software\\QAVOOD\\Sub\\Deeper");
  EXPECT_EQ(ReadFile(), Reg(key + "\"REGID\"=\"43\"\n\"Caf\xC3\xA9\"=\"1\"\n\n"
                                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD\\Sub\\Deeper]\n\n"));
  EXPECT_NE(Open("SOFTWARE\\QAVOOD\\SUB"), 0u);  // every level of a created key exists
}

TEST_F(PosixRegistryTest, TextCrossesAsWindows1252AndIsStoredAsUtf8) {
  const std::string lf = "[HKEY_LOCAL_MACHINE\\A]\n\"Name\"=\"\xE6\x97\xA5 Caf\xC3\xA9\"\n";
  // UTF-8, with a BOM, CR LF, UTF-16LE; each differs in size, so each is read anew.
  const std::string files[] = {Reg(lf), "\xEF\xBB\xBF" + Reg(lf), kHeader + lf,
                               "\xFF\xFE" + Utf16LeFromUtf8(Reg(lf))};
  const Hkey key = Create("A");
  for (const std::string& bytes : files) {
    WriteFile(bytes);
    // Outside the code page: one "?" per character.
    EXPECT_EQ(Text(key, "name"), std::string("? Caf\xE9\0", 7)) << bytes;
  }
  const std::string escapes = "C:\\Agent\\ \"q\" \xE9t\xE9 \x80";
  EXPECT_EQ(Set(key, "Caf\xE9", escapes), kErrorSuccess);
  EXPECT_EQ(Text(key, "CAF\xC9"), escapes + '\0');
  EXPECT_EQ(ReadFile(), Reg(lf + "\"Caf\xC3\xA9\"=\"C:\\\\Agent\\\\ \\\"q\\\" \xC3\xA9t\xC3\xA9 "
                                 "\xE2\x82\xAC\"\n"));
}

TEST_F(PosixRegistryTest, QueryAnswersTypeSizeAndData) {
  WriteFile(Reg(R"reg([HKEY_LOCAL_MACHINE\SOFTWARE\QAVOOD]
"Sz"="abc"
"Empty"=""
"Sixty"=dword:0000003c
"Qword"=hex(b):88,77,66,55,44,33,22,11
"Long"=hex:01,02,03,04,05,06,07,08,09,0a
"Expand"=hex(2):43,00,3a,00,00,00
"Multi"=hex(7):61,00,00,00,62,00,00,00,00,00
)reg"));
  const struct {
    const char* name;
    uint32_t buffer;
    int32_t rc;
    uint32_t type, size;
    std::string bytes;
  } cases[] = {
      {"Sz", 4, kErrorSuccess, kRegSz, 4, std::string("abc\0", 4)},
      {"sz", 3, kErrorMoreData, kRegSz, 4, ""},
      {"Empty", 4, kErrorSuccess, kRegSz, 1, std::string(1, '\0')},
      {"Sixty", 4, kErrorSuccess, kRegDword, 4, std::string("\x3c\0\0\0", 4)},
      {"Qword", 8, kErrorSuccess, 11, 8, "\x88\x77\x66\x55\x44\x33\x22\x11"},
      {"Long", 4, kErrorMoreData, kRegBinary, 10, ""},
      // Strings of every kind are answered in the code page.
      {"Expand", 4, kErrorSuccess, kRegExpandSz, 3, std::string("C:\0", 3)},
      {"Multi", 4, kErrorMoreData, kRegMultiSz, 5, ""},
      {"Multi", 5, kErrorSuccess, kRegMultiSz, 5, std::string("a\0b\0\0", 5)},
  };
  const Hkey key = Open("SOFTWARE\\QAVOOD");
  for (const auto& c : cases) {
    const Read r = Query(key, c.name, c.buffer);
    EXPECT_EQ(std::tie(r.rc, r.type, r.size, r.bytes), std::tie(c.rc, c.type, c.size, c.bytes))
        << c.name << " " << c.buffer;
    uint32_t type = 0, size = 0;  // with no buffer: type and size only
    EXPECT_EQ(reg_.QueryValueEx(key, c.name, &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(std::tie(type, size), std::tie(c.type, c.size)) << c.name;
  }
  uint32_t type = 0, size = 4;
  EXPECT_EQ(reg_.QueryValueEx(key, "Missing", &type, nullptr, &size), kErrorFileNotFound);
  uint8_t buffer[4];
  EXPECT_EQ(reg_.QueryValueEx(key, "Sz", &type, buffer, nullptr), 87);  // data without a size
  EXPECT_EQ(reg_.QueryValueEx(key, "Sz", nullptr, nullptr, nullptr), kErrorSuccess);
}

TEST_F(PosixRegistryTest, WritesEachTypeAsRegeditWould) {
  const struct {
    uint32_t type;
    std::string data;
    const char* line;
    std::string read_back;
  } cases[] = {
      {kRegSz, std::string("abc\0\0", 5), "\"V\"=\"abc\"", std::string("abc\0", 4)},
      // What the quoted form cannot hold goes as hex(1).
      {kRegSz, "a\r\nb", "\"V\"=hex(1):61,00,0d,00,0a,00,62,00,00,00", std::string("a\r\nb\0", 5)},
      {kRegSz, std::string("x\0y", 3), "\"V\"=hex(1):78,00,00,00,79,00,00,00",
       std::string("x\0y\0", 4)},
      {kRegDword, std::string("\x3c\0\0\0", 4), "\"V\"=dword:0000003c",
       std::string("\x3c\0\0\0", 4)},
      {kRegMultiSz, std::string("a\0\xe9\0\0", 5), "\"V\"=hex(7):61,00,00,00,e9,00,00,00,00,00",
       std::string("a\0\xe9\0\0", 5)},
  };
  const Hkey key = Create("K");
  for (const auto& c : cases) {
    ASSERT_EQ(Set(key, "V", c.data, c.type), kErrorSuccess) << c.line;
    EXPECT_EQ(ReadFile(), Reg("[HKEY_LOCAL_MACHINE\\K]\n" + std::string(c.line) + "\n\n"));
    EXPECT_EQ(Text(key, "v"), c.read_back) << c.line;
  }
}

TEST_F(PosixRegistryTest, HandlesAndErrorCodes) {
  WriteFile(Reg("[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\n\"A\"=\"1\"\n\n"));
  Hkey missing = 77;
  EXPECT_EQ(reg_.OpenKeyEx(kHkeyLocalMachine, "SOFTWARE\\NoSuch", 0, kKeyRead, &missing),
            kErrorFileNotFound);
  EXPECT_EQ(missing, 0u);
  Hkey other = 77;
  constexpr Hkey kHkeyCurrentUser = 0x80000001u;
  EXPECT_EQ(reg_.OpenKeyEx(kHkeyCurrentUser, "SOFTWARE\\QAVOOD", 0, kKeyRead, &other),
            kErrorInvalidHandle);
  EXPECT_EQ(reg_.CreateKey(kHkeyCurrentUser, "SOFTWARE\\QAVOOD", &other), kErrorInvalidHandle);
  EXPECT_EQ(reg_.OpenKeyEx(kHkeyLocalMachine, "\\SOFTWARE", 0, kKeyRead, &other), 161);

  const Hkey a = Open("SOFTWARE\\QAVOOD");
  const Hkey b = Open("SOFTWARE\\QAVOOD\\");
  EXPECT_NE(a, b);
  // A key opened for reading takes no change.
  EXPECT_EQ(Set(a, "B", "2"), kErrorAccessDenied);
  EXPECT_EQ(reg_.DeleteValue(a, "A"), kErrorAccessDenied);
  // An open key serves as a root.
  Hkey relative = Open("SOFTWARE");
  EXPECT_EQ(reg_.OpenKeyEx(relative, "qavood", 0, kKeyRead, &relative), kErrorSuccess);
  EXPECT_EQ(Text(relative, "A"), std::string("1\0", 2));

  EXPECT_EQ(reg_.CloseKey(a), kErrorSuccess);
  EXPECT_EQ(reg_.CloseKey(a), kErrorInvalidHandle);
  for (const Hkey bad : {a, Hkey{0}, Hkey{0x1234}}) {
    EXPECT_EQ(Query(bad, "A").rc, kErrorInvalidHandle);
    EXPECT_EQ(Set(bad, "A", "x"), kErrorInvalidHandle);
    EXPECT_EQ(reg_.DeleteValue(bad, "A"), kErrorInvalidHandle);
  }
  EXPECT_EQ(Text(b, "A"), std::string("1\0", 2));

  const Hkey w = Create("SOFTWARE\\QAVOOD");
  EXPECT_EQ(reg_.DeleteValue(w, "Missing"), kErrorFileNotFound);
  EXPECT_EQ(reg_.DeleteValue(w, "a"), kErrorSuccess);
  EXPECT_EQ(Query(w, "A").rc, kErrorFileNotFound);
  // A key that an outside edit removed.
  WriteFile(Reg("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n\n"));
  EXPECT_EQ(Query(w, "A").rc, 1018);
  EXPECT_EQ(Set(w, "A", "x"), 1018);
}

TEST_F(PosixRegistryTest, AMissingFileIsAnEmptyRegistryUntilTheFirstChange) {
  Hkey key = 77;
  EXPECT_EQ(reg_.OpenKeyEx(kHkeyLocalMachine, "Software\\Qavood", 0, kKeyRead, &key),
            kErrorFileNotFound);
  EXPECT_EQ(Query(kHkeyLocalMachine, "X").rc, kErrorFileNotFound);
  EXPECT_FALSE(std::filesystem::exists(path()));
  // Deleting under a key that did not exist leaves the key, empty.
  EXPECT_EQ(reg_.DeleteValue(Create("Software\\Qavood"), "Main"), kErrorFileNotFound);
  EXPECT_EQ(ReadFile(), Reg("[HKEY_LOCAL_MACHINE\\Software\\Qavood]\n\n"));
  // A missing folder fails the change and writes nothing.
  std::filesystem::remove(path());
  PosixRegistry absent(dir_ / "absent/system.reg");
  key = 77;
  EXPECT_EQ(absent.CreateKey(kHkeyLocalMachine, "Software\\Qavood", &key), kErrorPathNotFound);
  EXPECT_EQ(key, 0u);
  const uint8_t data[] = {'x'};
  EXPECT_EQ(absent.SetValueEx(kHkeyLocalMachine, "V", kRegSz, data, 1), kErrorPathNotFound);
  EXPECT_EQ(FolderEntries(), 0);
}

TEST_F(PosixRegistryTest, ChangesReplaceTheFileWholeAndPickUpOutsideEdits) {
  WriteFile(Reg("[HKEY_LOCAL_MACHINE\\A]\n\"X\"=\"1\"\n\n"));
  chmod(path().c_str(), 0640);
  const Hkey key = Create("A");
  EXPECT_EQ(Text(key, "X"), std::string("1\0", 2));
  WriteFile(Reg("[HKEY_LOCAL_MACHINE\\A]\n\"X\"=\"22\"\n\n"));  // in place, another size
  EXPECT_EQ(Text(key, "X"), std::string("22\0", 3));
  // Replaced by another file of the same size.
  const std::string other = dir_ / "other.reg";
  std::ofstream(other, std::ios::binary) << Reg("[HKEY_LOCAL_MACHINE\\A]\n\"X\"=\"33\"\n\n");
  chmod(other.c_str(), 0640);
  ASSERT_EQ(rename(other.c_str(), path().c_str()), 0);
  EXPECT_EQ(Text(key, "X"), std::string("33\0", 3));
  struct stat before, after;
  ASSERT_EQ(stat(path().c_str(), &before), 0);
  std::ofstream(dir_ / "system.reg.tmp") << "what a writer killed midway left";
  EXPECT_EQ(Set(key, "Y", "4"), kErrorSuccess);
  ASSERT_EQ(stat(path().c_str(), &after), 0);
  // A new file took the old one's place and its mode; no temporary is left,
  // nor what the killed writer left.
  EXPECT_NE(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(FolderEntries(), 1);
  EXPECT_EQ(ReadFile(), Reg("[HKEY_LOCAL_MACHINE\\A]\n\"X\"=\"33\"\n\"Y\"=\"4\"\n\n"));
}

TEST_F(PosixRegistryTest, AnEditOfTheSameSizeThatSetsTheTimeBackIsSeen) {
  WriteFile(Reg("[HKEY_LOCAL_MACHINE\\A]\n\"X\"=\"1\"\n\n"));
  const Hkey key = Open("A");
  EXPECT_EQ(Text(key, "X"), std::string("1\0", 2));
  struct stat read, edited;
  ASSERT_EQ(stat(path().c_str(), &read), 0);
  do {  // until the clock has moved on, so that the edit shows in the change time
    WriteFile(Reg("[HKEY_LOCAL_MACHINE\\A]\n\"X\"=\"2\"\n\n"));
    const struct timespec times[2] = {read.st_atim, read.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, path().c_str(), times, 0), 0);
    ASSERT_EQ(stat(path().c_str(), &edited), 0);
  } while (edited.st_ctim.tv_sec == read.st_ctim.tv_sec &&
           edited.st_ctim.tv_nsec == read.st_ctim.tv_nsec);
  EXPECT_EQ(Text(key, "X"), std::string("2\0", 2));
}

// Whether the process waits for a flock, as /proc/locks lists waiters.
bool WaitsForFlock(pid_t pid) {
  std::ifstream locks("/proc/locks");
  for (std::string line; std::getline(locks, line);) {
    std::istringstream fields(line);
    std::string number, arrow, kind;
    pid_t owner = 0;
    if (fields >> number >> arrow >> kind >> kind >> kind >> owner && arrow == "->" &&
        owner == pid) {
      return true;
    }
  }
  return false;
}

// Another process that edits the file holds the lock from its read to its
// write; a change made meanwhile waits for it and keeps the other's edit.
TEST_F(PosixRegistryTest, AChangeWaitsForAnotherWriterAndKeepsItsEdit) {
  WriteFile(Reg("[HKEY_LOCAL_MACHINE\\A]\n"));
  const Hkey key = Create("A");
  const int folder = open(dir_.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(flock(folder, LOCK_EX), 0);
  const std::string read = ReadFile();
  const pid_t child = fork();
  if (child == 0) {
    close(folder);  // else the child's copy keeps the lock held
    _exit(Set(key, "Mine", "1") == kErrorSuccess ? 0 : 1);
  }
  int status = -1;
  pid_t done = 0;
  while ((done = waitpid(child, &status, WNOHANG)) == 0 && !WaitsForFlock(child)) usleep(1000);
  WriteFile(read + Reg("\"Other\"=\"2\"\n", false));
  close(folder);
  if (done == 0) waitpid(child, &status, 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Text(key, "Mine"), std::string("1\0", 2));
  EXPECT_EQ(Text(key, "Other"), std::string("2\0", 2));
}

TEST_F(PosixRegistryTest, AFileThatDoesNotParseIsNeverRewritten) {
  for (const char* fault : {"Garbage here", "\"Bad\"=\"x\\y\"", "\"Bad\"=hex:zz"}) {
    // The fault comes before a good value, which is still read.
    const std::string bytes = Reg("[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\n" + std::string(fault) +
                                  "\n\"REGID\"=\"42\"\n\n");
    WriteFile(bytes);
    PosixRegistry reg(path());
    Hkey key = 0, created = 77;
    ASSERT_EQ(reg.CreateKey(kHkeyLocalMachine, "SOFTWARE\\QAVOOD", &key), kErrorSuccess);
    uint8_t buffer[8];
    uint32_t size = sizeof buffer;
    EXPECT_EQ(reg.QueryValueEx(key, "REGID", nullptr, buffer, &size), kErrorSuccess) << fault;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), std::string("42\0", 3));
    EXPECT_EQ(reg.CreateKey(kHkeyLocalMachine, "SOFTWARE\\QAVOOD\\New", &created),
              kErrorRegistryIoFailed);
    EXPECT_EQ(created, 0u);
    const uint8_t data[] = {'4', '3'};
    EXPECT_EQ(reg.SetValueEx(key, "Other", kRegSz, data, 2), kErrorRegistryIoFailed) << fault;
    EXPECT_EQ(reg.DeleteValue(key, "REGID"), kErrorRegistryIoFailed) << fault;
    EXPECT_EQ(reg.DeleteValue(key, "Missing"), kErrorFileNotFound) << fault;
    EXPECT_EQ(ReadFile(), bytes) << fault;
    EXPECT_EQ(FolderEntries(), 1);
  }
  // A change that cannot replace the file (a folder holds the temporary
  // file's name) fails and leaves the file as it was.
  const std::string good = Reg("[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\n\n");
  WriteFile(good);
  std::filesystem::create_directories(dir_ / "system.reg.tmp/in");
  EXPECT_EQ(Set(Create("SOFTWARE\\QAVOOD"), "REGID", "43"), kErrorRegistryIoFailed);
  EXPECT_EQ(ReadFile(), good);
  std::filesystem::remove_all(dir_ / "system.reg.tmp");
  // Once mended outside, changes go through again.
  WriteFile(Reg("[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\n\n"));
  EXPECT_EQ(Set(Create("SOFTWARE\\QAVOOD"), "REGID", "43"), kErrorSuccess);
}

}  // namespace
}  // namespace qmon::platform::posix
