#include "platform/posix/reg_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/posix/reg_unicode.h"

namespace qmon::platform::posix {
namespace {

// LF line ends to the CR LF that registry exports use.
std::string Crlf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

RegFile ParseClean(std::string_view bytes) {
  std::vector<std::string> problems;
  RegFile file = RegFile::Parse(bytes, &problems);
  EXPECT_TRUE(problems.empty()) << problems.front();
  return file;
}

std::string DataOf(const RegFile& file, const RegPath& key, std::string_view name) {
  const RegValue* value = file.FindValue(key, name);
  return value ? value->data : "<missing>";
}

const RegPath kQavood = {"SOFTWARE", "QAVOOD"};

// A key as regedit exports it, hex lists wrapped as regedit wraps them.
const std::string kExport = Crlf(R"reg(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\QAVOOD]
@="default"
"A much longer value name for wrapping"=hex:00,01,02,03,04,05,06,07,08,09,0a,\
  0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,\
  24,25,26,27
"Bin"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\
  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,\
  30,31,32,33,34,35,36,37,38,39,3a,3b,3c,3d,3e,3f,40,41,42,43,44,45,46,47,48,\
  49,4a,4b,4c,4d,4e,4f,50,51,52,53,54,55,56,57,58,59,5a,5b,5c,5d,5e,5f,60,61,\
  62,63
"Café"="été"
"D"=dword:0000003c
"Empty"=hex:
"Exp"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,\
  25,00,5c,00,73,00,79,00,73,00,74,00,65,00,6d,00,33,00,32,00,00,00
"InstallationPath"="C:\\Agent\\"
"Lines"=hex(1):61,00,0d,00,0a,00,62,00,00,00
"Multi"=hex(7):6f,00,6e,00,65,00,00,00,74,00,77,00,6f,00,00,00,00,00
"None"=hex(0):78,79
"Q\"uo\\te"="a\"b\\c"
"QW"=hex(b):88,77,66,55,44,33,22,11
"Short"=hex(4):3c,00,00

[HKEY_LOCAL_MACHINE\SOFTWARE\QAVOOD\Sub]

[HKEY_CURRENT_USER\Software\Other]
"X"="y"

)reg");

// Every value of the export reads as it should and, written back unchanged,
// gives the same bytes.
TEST(RegFileTest, ReadsEveryValueFormAndWritesItAsRegeditWrites) {
  const auto counting = [](int n) {
    std::string bytes;
    for (int i = 0; i < n; ++i) bytes += static_cast<char>(i);
    return bytes;
  };
  const struct {
    const char* name;
    uint32_t type;
    std::string data;
  } cases[] = {
      {"", kRegSz, "default"},
      {"A much longer value name for wrapping", kRegBinary, counting(40)},
      {"Bin", kRegBinary, counting(100)},
      {"café", kRegSz, "été"},
      {"d", kRegDword, std::string("\x3c\0\0\0", 4)},
      {"Empty", kRegBinary, ""},
      {"Exp", kRegExpandSz, Utf16LeFromUtf8(std::string("%SystemRoot%\\system32\0", 22))},
      {"InstallationPath", kRegSz, "C:\\Agent\\"},
      {"Lines", kRegSz, "a\r\nb"},
      {"Multi", kRegMultiSz, Utf16LeFromUtf8(std::string("one\0two\0\0", 9))},
      {"None", 0, "xy"},
      {"Q\"UO\\TE", kRegSz, "a\"b\\c"},
      {"QW", 11, "\x88\x77\x66\x55\x44\x33\x22\x11"},
      {"Short", kRegDword, std::string("\x3c\0\0", 3)},
  };
  RegFile file = ParseClean(kExport);
  EXPECT_EQ(file.Serialize(), kExport);
  for (const auto& c : cases) {
    const RegValue* value = file.FindValue({"software", "qavood"}, c.name);
    ASSERT_NE(value, nullptr) << c.name;
    EXPECT_EQ(value->type, c.type) << c.name;
    EXPECT_EQ(value->data, c.data) << c.name;
    file.SetValue(kQavood, *value);
  }
  EXPECT_EQ(file.Serialize(), kExport);
  EXPECT_EQ(file.FindValue(kQavood, "Missing"), nullptr);
  // Only HKEY_LOCAL_MACHINE is the machine's hive.
  EXPECT_FALSE(file.FindKey({"Software", "Other"}));
}

TEST(RegFileTest, OnlyChangedLinesAreWrittenAfresh) {
  const std::string hand_written = Crlf(R"reg(Windows Registry Editor Version 5.00
; written by hand
[HKEY_LOCAL_MACHINE\SOFTWARE\QAVOOD]
  "N" = DWORD:3C
"H"=hex:01, 02,\
      03
"Changed"="old"

[HKLM\Not\The\Machine]
"X"=hex:1
)reg");
  RegFile file = ParseClean(hand_written);
  EXPECT_EQ(DataOf(file, kQavood, "H"), "\x01\x02\x03");
  file.SetValue(kQavood, {"changed", kRegDword, std::string("\x01\0\0\0", 4)});
  std::string expected = hand_written;
  expected.replace(expected.find("\"Changed\"=\"old\""), 15, "\"Changed\"=dword:00000001");
  EXPECT_EQ(file.Serialize(), expected);
}

TEST(RegFileTest, Regedit4StringsAreWindows1252AndWrittenAsVersion5) {
  // "é" as the single byte E9; hex(2) data in the code page, not UTF-16LE.
  const std::string file_bytes = Crlf(
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\n"
      "\"Path\"=\"C:\\\\caf\xe9\"\n\"Exp\"=hex(2):25,41,25,00\n");
  RegFile file = ParseClean(file_bytes);
  EXPECT_EQ(DataOf(file, kQavood, "Path"), "C:\\café");
  EXPECT_EQ(DataOf(file, kQavood, "Exp"), Utf16LeFromUtf8(std::string("%A%\0", 4)));
  EXPECT_EQ(file.Serialize(),
            Crlf("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\n"
                 "\"Path\"=\"C:\\\\café\"\n\"Exp\"=hex(2):25,00,41,00,25,00,00,00\n"));
}

// Raw NULs before the closing quote stayed in the text, which then lost them
// once written afresh (as hex(1)) and read again.
TEST(RegFileTest, QuotedTextEndingInNulsKeepsNoNul) {
  RegFile file = ParseClean(
      Crlf("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n") +
      std::string("\"S\"=\"x\0\0\"\r\n", 11));
  EXPECT_EQ(DataOf(file, {"A"}, "S"), "x");
}

TEST(RegFileTest, FaultsAreReportedAndTheRestIsStillRead) {
  // Each is one fault, on a line after a good value of the key.
  const char* const faults[] = {
      "Hello",           R"("B"="x\y")",        R"("B"="xy)",         R"("B"="x" y)",
      R"("B"=hex:0g,01)", R"("B"=hex:100)",      R"("B"=hex:01,)",     R"("B"=hex(z):01)",
      R"("B"=dword:123456789)",                  R"("B"=text)",        R"("B" "x")",
      "\"B\"=hex:01,\\",                     // continuation at the end of the file
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other", "[HKEY_LOCAL_MACHINE\\\\Other]",
      "[HKEY_LOCAL_MACHINE\\software\\qavood]",  // key listed twice
      R"("ok"="no")",                            // value listed twice: the last counts
  };
  for (const std::string fault : faults) {
    std::vector<std::string> problems;
    const RegFile file = RegFile::Parse(
        "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\n"
        "\"Ok\"=\"yes\"\n" + fault + "\n",
        &problems);
    EXPECT_EQ(problems.size(), 1u) << fault;
    EXPECT_EQ(DataOf(file, kQavood, "Ok"), fault == R"("ok"="no")" ? "no" : "yes") << fault;
  }
}

TEST(RegFileTest, FileLevelFaults) {
  const std::string inputs[] = {
      "[HKEY_LOCAL_MACHINE\\A]\r\n\"Ok\"=\"yes\"\r\n",  // no header
      "Windows Registry Editor Version 5.00\r\n\"B\"=\"x\"\r\n[HKEY_LOCAL_MACHINE\\A]\r\n"
      "\"Ok\"=\"yes\"\r\n",  // a value before any key
      // Not UTF-8.
      "Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"Ok\"=\"y\xffs\"\r\n",
      // An unpaired surrogate.
      "\xFF\xFE" +
          Utf16LeFromUtf8("Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\A]\r\n"
                          "\"Ok\"=\"yes\"\r\n\"Bad\"=\"") +
          std::string("\x00\xD8", 2) + Utf16LeFromUtf8("\"\r\n"),
  };
  for (const std::string& bytes : inputs) {
    std::vector<std::string> problems;
    const RegFile file = RegFile::Parse(bytes, &problems);
    EXPECT_EQ(problems.size(), 1u) << bytes;
    EXPECT_NE(file.FindValue({"A"}, "Ok"), nullptr) << bytes;
  }
  std::vector<std::string> problems;
  RegFile::Parse("", &problems);
  EXPECT_TRUE(problems.empty());
}

// Keys match without case and keep their spelling; changes go where regedit
// would put them.
TEST(RegFileTest, ChangesGoWhereRegeditWouldPutThem) {
  RegFile file = ParseClean(Crlf(R"reg(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\QAVOOD]
"A"="1"
; kept

[HKEY_LOCAL_MACHINE\SOFTWARE\QAVOOD\Deep\Er]
"Gone"="x"

[HKEY_CURRENT_USER\Software\X]
"Y"=dword:00000001
)reg"));
  EXPECT_EQ(file.FindKey({"SOFTWARE", "qavood", "DEEP", "er"}),
            (RegPath{"SOFTWARE", "QAVOOD", "Deep", "Er"}));
  EXPECT_EQ(file.FindKey({}), RegPath{});
  EXPECT_FALSE(file.FindKey({"SOFTWARE", "QAVOOD", "Deep", "Er", "X"}));
  EXPECT_EQ(file.AddKey({"software", "qavood", "New"}), (RegPath{"SOFTWARE", "QAVOOD", "New"}));
  EXPECT_EQ(file.AddKey({"Software", "Qavood", "deep"}), (RegPath{"SOFTWARE", "QAVOOD", "Deep"}));
  file.SetValue({"software", "qavood", "deep"}, {"B", kRegSz, "2"});
  file.SetValue({"Software", "Qavood"}, {"C", kRegSz, "3"});
  file.SetValue({"Software", "Qavood"}, {"a", kRegSz, "4"});
  file.SetValue({"Software", "Qavood"}, {"", kRegSz, "d"});
  file.AddKey({"System", "Other"});
  EXPECT_TRUE(file.RemoveValue({"SOFTWARE", "QAVOOD", "DEEP", "ER"}, "gone"));
  EXPECT_FALSE(file.RemoveValue({"SOFTWARE", "QAVOOD", "DEEP", "ER"}, "gone"));
  EXPECT_FALSE(file.RemoveValue({"SOFTWARE", "Missing"}, "A"));
  EXPECT_EQ(file.Serialize(), Crlf(R"reg(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\QAVOOD]
"A"="4"
"C"="3"
@="d"
; kept

[HKEY_LOCAL_MACHINE\SOFTWARE\QAVOOD\Deep]
"B"="2"

[HKEY_LOCAL_MACHINE\SOFTWARE\QAVOOD\Deep\Er]

[HKEY_LOCAL_MACHINE\SOFTWARE\QAVOOD\New]

[HKEY_LOCAL_MACHINE\System\Other]

[HKEY_CURRENT_USER\Software\X]
"Y"=dword:00000001
)reg"));
}

// Blocks put in between, even before the first, leave every lookup right;
// a level spelled two ways keeps the spelling of its first block.
TEST(RegFileTest, LookupsStayRightAsBlocksGoInBetween) {
  RegFile file = ParseClean(Crlf(R"reg(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\A\Deep]
"V"="1"

[hkey_local_machine\software\b]

[HKEY_CURRENT_USER\Software\A\Deep]
)reg"));
  EXPECT_EQ(file.FindKey({"Software", "B"}), (RegPath{"SOFTWARE", "b"}));
  file.SetValue({"software", "a"}, {"u", kRegSz, "0"});
  EXPECT_EQ(file.AddKey({"software", "B", "c"}), (RegPath{"SOFTWARE", "b", "c"}));
  file.SetValue({"SOFTWARE", "A", "DEEP"}, {"w", kRegSz, "2"});
  file.SetValue({"Software", "B"}, {"x", kRegSz, "3"});
  EXPECT_EQ(DataOf(file, {"software", "a", "deep"}, "V"), "1");
  EXPECT_EQ(file.Serialize(), Crlf(R"reg(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\A]
"u"="0"

[HKEY_LOCAL_MACHINE\SOFTWARE\A\Deep]
"V"="1"
"w"="2"

[hkey_local_machine\software\b]
"x"="3"

[HKEY_LOCAL_MACHINE\SOFTWARE\b\c]

[HKEY_CURRENT_USER\Software\A\Deep]
)reg"));
}

TEST(RegUnicodeTest, Utf16LeConversions) {
  EXPECT_EQ(Utf16LeFromUtf8("é😀"), std::string("\xe9\x00\x3d\xd8\x00\xde", 6));
  EXPECT_EQ(Utf8FromUtf16Le(std::string("\xe9\x00\x3d\xd8\x00\xde", 6)), "é😀");
  EXPECT_EQ(Utf16Length("a😀é"), 4u);
  bool damaged = false;
  EXPECT_EQ(Utf8FromUtf16Le(std::string("\x00\xdc" "a\x00", 4), &damaged), "\uFFFDa");
  EXPECT_TRUE(damaged);
  EXPECT_FALSE(IsUtf8("\xed\xa0\x80"));  // an encoded surrogate
}

}  // namespace
}  // namespace qmon::platform::posix
