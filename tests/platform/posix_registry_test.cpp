#include "platform/posix/posix_registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/reg_unicode.h"
#include "support/temp_dir.h"

namespace qmon::platform::posix {
namespace {

constexpr Hkey kHkeyCurrentUser = 0x80000001u;

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n";

// A registry file as the tests write it: LF line ends become CR LF.
std::string Reg(std::string_view lf_text) {
  std::string out;
  for (char c : lf_text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// What QueryValueEx answered for one read.
struct Read {
  int32_t rc;
  uint32_t type;
  uint32_t size;
  std::string bytes;
};

class PosixRegistryTest : public ::testing::Test {
 protected:
  std::string path() const { return dir_ / "system.reg"; }

  // Replaces the file in place, as an editor would.
  void WriteFile(const std::string& bytes) const {
    std::ofstream(path(), std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string ReadFile() const {
    std::ifstream in(path(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
      names.push_back(e.path().filename());
    }
    return names;
  }

  Hkey Open(const std::string& subkey, uint32_t access = kKeyRead) {
    Hkey key = 0;
    EXPECT_EQ(reg_.OpenKeyEx(kHkeyLocalMachine, subkey, 0, access, &key), kErrorSuccess) << subkey;
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
  WriteFile(
      Reg("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\n"
          "\"REGID\"=\"42\"\n\"Caf\xC3\xA9\"=\"1\"\n\n"));
  const Hkey read = Open("Software\\Qavood");
  EXPECT_EQ(Text(read, "regid"), std::string("42\0", 3));
  EXPECT_EQ(Text(read, "CAF\xC9"), std::string("1\0", 2));  // É in Windows-1252

  const std::string before = ReadFile();
  const Hkey write = Create("software\\qavood");
  EXPECT_EQ(ReadFile(), before);  // an existing key is not written again
  EXPECT_EQ(Set(write, "regid", "43"), kErrorSuccess);
  Create("software\\QAVOOD\\Sub\\Deeper");
  EXPECT_EQ(ReadFile(), Reg("Windows Registry Editor Version 5.00\n\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\n"
                            "\"REGID\"=\"43\"\n\"Caf\xC3\xA9\"=\"1\"\n\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD\\Sub\\Deeper]\n\n"));
  // Every level of a created key exists.
  EXPECT_NE(Open("SOFTWARE\\QAVOOD\\SUB"), 0u);
}

TEST_F(PosixRegistryTest, TextCrossesAsWindows1252AndIsStoredAsUtf8) {
  WriteFile(
      Reg("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n"
          "\"Japanese\"=\"\xE6\x97\xA5\xE6\x9C\xAC x\"\n\n"));
  const Hkey key = Create("A");
  // Outside the code page: one "?" per character.
  EXPECT_EQ(Text(key, "Japanese"), std::string("?? x\0", 5));
  const std::string escapes = "C:\\Agent\\ \"q\" \xE9t\xE9 \x80";
  EXPECT_EQ(Set(key, "Caf\xE9", escapes), kErrorSuccess);
  EXPECT_EQ(Text(key, "CAF\xC9"), escapes + '\0');
  const std::string line =
      "\"Caf\xC3\xA9\"=\"C:\\\\Agent\\\\ \\\"q\\\" \xC3\xA9t\xC3\xA9 \xE2\x82\xAC\"\r\n";
  EXPECT_NE(ReadFile().find(line), std::string::npos) << ReadFile();
}

TEST_F(PosixRegistryTest, ReadsUtf8AndUtf16LeAndWritesUtf8) {
  const std::string lf =
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n"
      "\"Name\"=\"\xE6\x97\xA5 Caf\xC3\xA9\"\n";
  // Each differs in size from the one before, so each is read anew.
  const std::string files[] = {lf, "\xEF\xBB\xBF" + lf, Reg(lf), "\xFF\xFE" + Utf16LeFromUtf8(lf)};
  const Hkey key = Create("A");
  for (const std::string& bytes : files) {
    WriteFile(bytes);
    EXPECT_EQ(Text(key, "name"), std::string("? Caf\xE9\0", 7)) << bytes;
  }
  EXPECT_EQ(Set(key, "X", "y"), kErrorSuccess);
  EXPECT_EQ(ReadFile(), Reg(lf + "\"X\"=\"y\"\n"));
}

TEST_F(PosixRegistryTest, QueryAnswersTypeSizeAndData) {
  WriteFile(Reg(R"reg(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\QAVOOD]
"Sz"="abc"
"Empty"=""
"Sixty"=dword:0000003c
"AllSet"=dword:ffffffff
"Qword"=hex(b):88,77,66,55,44,33,22,11
"Long"=hex:01,02,03,04,05,06,07,08,09,0a
"Short"=hex:01,02
"Expand"=hex(2):43,00,3a,00,00,00
"Multi"=hex(7):61,00,00,00,62,00,00,00,00,00
)reg"));
  struct Case {
    const char* name;
    uint32_t buffer;
    int32_t rc;
    uint32_t type, size;
    std::string bytes;
  };
  const Case cases[] = {
      {"Sz", 4, kErrorSuccess, kRegSz, 4, std::string("abc\0", 4)},
      {"sz", 3, kErrorMoreData, kRegSz, 4, ""},
      {"Empty", 4, kErrorSuccess, kRegSz, 1, std::string(1, '\0')},
      {"Sixty", 4, kErrorSuccess, kRegDword, 4, std::string("\x3c\0\0\0", 4)},
      {"AllSet", 4, kErrorSuccess, kRegDword, 4, "\xff\xff\xff\xff"},
      {"Qword", 4, kErrorMoreData, 11, 8, ""},
      {"Qword", 8, kErrorSuccess, 11, 8, "\x88\x77\x66\x55\x44\x33\x22\x11"},
      {"Long", 4, kErrorMoreData, kRegBinary, 10, ""},
      {"Short", 4, kErrorSuccess, kRegBinary, 2, "\x01\x02"},
      // Strings of every kind are answered in the code page.
      {"Expand", 4, kErrorSuccess, kRegExpandSz, 3, std::string("C:\0", 3)},
      {"Multi", 4, kErrorMoreData, kRegMultiSz, 5, ""},
      {"Multi", 5, kErrorSuccess, kRegMultiSz, 5, std::string("a\0b\0\0", 5)},
  };
  const Hkey key = Open("SOFTWARE\\QAVOOD");
  for (const auto& c : cases) {
    const Read r = Query(key, c.name, c.buffer);
    EXPECT_EQ(r.rc, c.rc) << c.name << " " << c.buffer;
    EXPECT_EQ(r.type, c.type) << c.name;
    EXPECT_EQ(r.size, c.size) << c.name << " " << c.buffer;
    EXPECT_EQ(r.bytes, c.bytes) << c.name << " " << c.buffer;
    // With no buffer: type and size only.
    uint32_t type = 0, size = 0;
    EXPECT_EQ(reg_.QueryValueEx(key, c.name, &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(size, c.size) << c.name;
  }
  uint32_t type = 0, size = 4;
  EXPECT_EQ(reg_.QueryValueEx(key, "Missing", &type, nullptr, &size), kErrorFileNotFound);
  uint8_t buffer[4];
  EXPECT_EQ(reg_.QueryValueEx(key, "Sz", &type, buffer, nullptr), 87);  // data without a size
  EXPECT_EQ(reg_.QueryValueEx(key, "Sz", nullptr, nullptr, nullptr), kErrorSuccess);
}

TEST_F(PosixRegistryTest, WritesEachTypeAsRegeditWould) {
  struct Case {
    uint32_t type;
    std::string data;
    const char* line;
    std::string read_back;
  };
  const Case cases[] = {
      {kRegSz, "abc", "\"V\"=\"abc\"", std::string("abc\0", 4)},
      {kRegSz, std::string("abc\0", 4), "\"V\"=\"abc\"", std::string("abc\0", 4)},
      {kRegSz, std::string("abc\0\0", 5), "\"V\"=\"abc\"", std::string("abc\0", 4)},
      {kRegSz, "", "\"V\"=\"\"", std::string(1, '\0')},
      // What the quoted form cannot hold goes as hex(1).
      {kRegSz, "a\r\nb", "\"V\"=hex(1):61,00,0d,00,0a,00,62,00,00,00", std::string("a\r\nb\0", 5)},
      {kRegSz, std::string("x\0y", 3), "\"V\"=hex(1):78,00,00,00,79,00,00,00",
       std::string("x\0y\0", 4)},
      {kRegDword, std::string("\x3c\0\0\0", 4), "\"V\"=dword:0000003c",
       std::string("\x3c\0\0\0", 4)},
      {kRegBinary, "\x01\x02\x03", "\"V\"=hex:01,02,03", "\x01\x02\x03"},
      {kRegMultiSz, std::string("a\0\xe9\0\0", 5), "\"V\"=hex(7):61,00,00,00,e9,00,00,00,00,00",
       std::string("a\0\xe9\0\0", 5)},
  };
  const Hkey key = Create("K");
  for (const auto& c : cases) {
    ASSERT_EQ(Set(key, "V", c.data, c.type), kErrorSuccess) << c.line;
    EXPECT_EQ(ReadFile(), kHeader + "\r\n[HKEY_LOCAL_MACHINE\\K]\r\n" + c.line + "\r\n\r\n");
    EXPECT_EQ(Text(key, "v"), c.read_back) << c.line;
  }
}

TEST_F(PosixRegistryTest, HandlesAndErrorCodes) {
  WriteFile(
      Reg("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\n"
          "\"A\"=\"1\"\n\n"));
  Hkey missing = 77;
  EXPECT_EQ(reg_.OpenKeyEx(kHkeyLocalMachine, "SOFTWARE\\NoSuch", 0, kKeyRead, &missing),
            kErrorFileNotFound);
  EXPECT_EQ(missing, 0u);
  Hkey other = 77;
  EXPECT_EQ(reg_.OpenKeyEx(kHkeyCurrentUser, "SOFTWARE\\QAVOOD", 0, kKeyRead, &other),
            kErrorInvalidHandle);
  EXPECT_EQ(reg_.CreateKey(kHkeyCurrentUser, "SOFTWARE\\QAVOOD", &other), kErrorInvalidHandle);
  EXPECT_EQ(reg_.OpenKeyEx(kHkeyLocalMachine, "\\SOFTWARE", 0, kKeyRead, &other), 161);

  const Hkey a = Open("SOFTWARE\\QAVOOD");
  const Hkey b = Open("SOFTWARE\\QAVOOD\\");
  EXPECT_NE(a, 0u);
  EXPECT_NE(a, b);
  // A key opened for reading takes no change.
  EXPECT_EQ(Set(a, "B", "2"), kErrorAccessDenied);
  EXPECT_EQ(reg_.DeleteValue(a, "A"), kErrorAccessDenied);
  // An open key serves as a root.
  Hkey relative = 0;
  EXPECT_EQ(reg_.OpenKeyEx(kHkeyLocalMachine, "SOFTWARE", 0, kKeyRead, &relative), kErrorSuccess);
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
  WriteFile(
      Reg("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n\n"));
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
  key = Create("Software\\Qavood");
  EXPECT_EQ(reg_.DeleteValue(key, "Main"), kErrorFileNotFound);
  EXPECT_EQ(ReadFile(), kHeader + "\r\n[HKEY_LOCAL_MACHINE\\Software\\Qavood]\r\n\r\n");
}

TEST_F(PosixRegistryTest, ChangesReplaceTheFileWhole) {
  WriteFile(
      Reg("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n\"X\"=\"1\"\n\n"));
  chmod(path().c_str(), 0640);
  struct stat before;
  ASSERT_EQ(stat(path().c_str(), &before), 0);
  EXPECT_EQ(Set(Create("A"), "Y", "2"), kErrorSuccess);
  struct stat after;
  ASSERT_EQ(stat(path().c_str(), &after), 0);
  // A new file took the old one's place and its mode; no temporary is left.
  EXPECT_NE(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"system.reg"});
  EXPECT_EQ(ReadFile(), Reg("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n"
                            "\"X\"=\"1\"\n\"Y\"=\"2\"\n\n"));
}

TEST_F(PosixRegistryTest, AFileThatDoesNotParseIsNeverRewritten) {
  const char* const faults[] = {"Garbage here", "\"Bad\"=\"x\\y\"", "\"Bad\"=hex:zz",
                                "\"Bad\"=dword:"};
  for (const char* fault : faults) {
    // The fault comes before a good value, which is still read.
    const std::string bytes = Reg(
        std::string(
            "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\n") +
        fault + "\n\"REGID\"=\"42\"\n\n");
    WriteFile(bytes);
    PosixRegistry reg(path());
    Hkey key = 0;
    ASSERT_EQ(reg.CreateKey(kHkeyLocalMachine, "SOFTWARE\\QAVOOD", &key), kErrorSuccess);
    uint8_t buffer[8];
    uint32_t size = sizeof buffer;
    EXPECT_EQ(reg.QueryValueEx(key, "REGID", nullptr, buffer, &size), kErrorSuccess) << fault;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), std::string("42\0", 3));
    Hkey created = 77;
    EXPECT_EQ(reg.CreateKey(kHkeyLocalMachine, "SOFTWARE\\QAVOOD\\New", &created),
              kErrorRegistryIoFailed);
    EXPECT_EQ(created, 0u);
    const uint8_t data[] = {'4', '3'};
    EXPECT_EQ(reg.SetValueEx(key, "REGID", kRegSz, data, 2), kErrorRegistryIoFailed) << fault;
    EXPECT_EQ(reg.SetValueEx(key, "Other", kRegSz, data, 2), kErrorRegistryIoFailed) << fault;
    EXPECT_EQ(reg.DeleteValue(key, "REGID"), kErrorRegistryIoFailed) << fault;
    EXPECT_EQ(reg.DeleteValue(key, "Missing"), kErrorFileNotFound) << fault;
    EXPECT_EQ(ReadFile(), bytes) << fault;
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"system.reg"});
  }
  // Once mended outside, changes go through again.
  WriteFile(
      Reg("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\n\n"));
  EXPECT_EQ(Set(Create("SOFTWARE\\QAVOOD"), "REGID", "43"), kErrorSuccess);
}

TEST_F(PosixRegistryTest, AMissingFolderFailsTheChangeAndWritesNothing) {
  PosixRegistry reg(dir_ / "absent/system.reg");
  Hkey key = 77;
  EXPECT_EQ(reg.CreateKey(kHkeyLocalMachine, "Software\\Qavood", &key), kErrorPathNotFound);
  EXPECT_EQ(key, 0u);
  const std::string data = "x";
  EXPECT_EQ(reg.SetValueEx(kHkeyLocalMachine, "V", kRegSz,
                           reinterpret_cast<const uint8_t*>(data.data()), 1),
            kErrorPathNotFound);
  EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(PosixRegistryTest, OutsideEditsArePickedUp) {
  WriteFile(
      Reg("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n\"X\"=\"1\"\n\n"));
  const Hkey key = Create("A");
  EXPECT_EQ(Text(key, "X"), std::string("1\0", 2));
  // In place, another size.
  WriteFile(
      Reg("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n\"X\"=\"22\"\n\n"));
  EXPECT_EQ(Text(key, "X"), std::string("22\0", 3));
  // Replaced by another file of the same size.
  const std::string other = dir_ / "other.reg";
  std::ofstream(other, std::ios::binary)
      << Reg("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n\"X\"=\"33\"\n\n");
  ASSERT_EQ(rename(other.c_str(), path().c_str()), 0);
  EXPECT_EQ(Text(key, "X"), std::string("33\0", 3));
  // A change keeps what the outside edit wrote.
  EXPECT_EQ(Set(key, "Y", "4"), kErrorSuccess);
  EXPECT_EQ(ReadFile(), Reg("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n"
                            "\"X\"=\"33\"\n\"Y\"=\"4\"\n\n"));
}

}  // namespace
}  // namespace qmon::platform::posix
