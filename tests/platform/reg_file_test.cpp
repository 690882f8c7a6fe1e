#include "platform/posix/reg_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/case_file.h"
#include "platform/env.h"
#include "platform/posix/reg_unicode.h"

namespace qmon::platform::posix {
namespace {

using test::CaseFileBytes;
using test::Crlf;

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

// Every value of a regedit export reads as it should and, written back
// unchanged, gives the same bytes.
TEST(RegFileTest, ReadsEveryValueFormAndWritesItAsRegeditWrites) {
  const std::string exported = CaseFileBytes("regedit_export.reg");
  RegFile file = ParseClean(exported);
  for (const auto& c : test::LoadCases("regedit_export_values")) {
    const RegValue* value = file.FindValue({"software", "qavood"}, c[0]);
    ASSERT_NE(value, nullptr) << c.where;
    EXPECT_EQ(value->type, std::stoul(c[1])) << c.where;
    EXPECT_EQ(value->data, c[2]) << c.where;
    file.SetValue(kQavood, *value);
  }
  EXPECT_EQ(file.Serialize(), exported);
  EXPECT_FALSE(file.FindKey({"Software", "Other"}));  // only HKEY_LOCAL_MACHINE is the machine's
}

// Hand-written text stays as written, except the changed line; REGEDIT4
// strings are Windows-1252 and the file is written as version 5.
TEST(RegFileTest, OnlyChangedLinesAreWrittenAfresh) {
  const std::string hand_written = Crlf(
      "Windows Registry Editor Version 5.00\n; by hand\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\n"
      "  \"N\" = DWORD:3C\n\"H\"=hex:01, 02,\\\n      03\n\"Changed\"=\"old\"\n\n"
      "[HKLM\\Not\\The\\Machine]\n\"X\"=hex:1\n");
  RegFile file = ParseClean(hand_written);
  EXPECT_EQ(DataOf(file, kQavood, "H"), "\x01\x02\x03");
  file.SetValue(kQavood, {"changed", kRegDword, std::string("\x01\0\0\0", 4)});
  std::string expected = hand_written;
  expected.replace(expected.find("\"Changed\"=\"old\""), 15, "\"Changed\"=dword:00000001");
  EXPECT_EQ(file.Serialize(), expected);

  file = ParseClean(Crlf("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\n"
                         "\"Path\"=\"C:\\\\caf\xe9\"\n\"Exp\"=hex(2):25,41,25,00\n"));
  EXPECT_EQ(DataOf(file, kQavood, "Path"), "C:\\café");
  EXPECT_EQ(file.Serialize(),
            Crlf("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\n"
                 "\"Path\"=\"C:\\\\café\"\n\"Exp\"=hex(2):25,00,41,00,25,00,00,00\n"));
  // Raw NULs before the closing quote are not kept.
  file = ParseClean(Crlf("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n") +
                    std::string("\"S\"=\"x\0\0\"\r\n", 11));
  EXPECT_EQ(DataOf(file, {"A"}, "S"), "x");
}

TEST(RegFileTest, FaultsAreReportedAndTheRestIsStillRead) {
  for (const auto& c : test::LoadCases("reg_faults")) {
    std::vector<std::string> problems;
    const RegFile file = RegFile::Parse(c[0], &problems);
    EXPECT_EQ(problems.size(), 1u) << c.where;
    EXPECT_EQ(DataOf(file, kQavood, "Ok"), c[1]) << c.where;
  }
}

// Keys match without case and keep their spelling; changes go where regedit
// would put them, and blocks put in between leave every lookup right.
TEST(RegFileTest, ChangesGoWhereRegeditWouldPutThem) {
  RegFile file = ParseClean(CaseFileBytes("reg_edit_before.reg"));
  EXPECT_EQ(file.FindKey({"SOFTWARE", "qavood", "DEEP", "er"}),
            (RegPath{"SOFTWARE", "QAVOOD", "Deep", "Er"}));
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
  EXPECT_EQ(file.Serialize(), CaseFileBytes("reg_edit_after.reg"));

  file = ParseClean(CaseFileBytes("reg_blocks_before.reg"));
  EXPECT_EQ(file.FindKey({"Software", "B"}), (RegPath{"SOFTWARE", "b"}));
  file.SetValue({"software", "a"}, {"u", kRegSz, "0"});
  EXPECT_EQ(file.AddKey({"software", "B", "c"}), (RegPath{"SOFTWARE", "b", "c"}));
  file.SetValue({"SOFTWARE", "A", "DEEP"}, {"w", kRegSz, "2"});
  file.SetValue({"Software", "B"}, {"x", kRegSz, "3"});
  EXPECT_EQ(DataOf(file, {"software", "a", "deep"}, "V"), "1");
  EXPECT_EQ(file.Serialize(), CaseFileBytes("reg_blocks_after.reg"));
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
