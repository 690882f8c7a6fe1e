#include "platform/win32/win32_file_system.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/case_file.h"
#include "platform/win32/ansi_code_page.h"
#include "support.h"

namespace qmon::platform::win32 {
namespace {

class Win32FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs_.CreateText(dir_ / "file.txt")->WriteLine("text");
    fs_.CreateFolder(dir_ / "sub");
    fs_.CreateText(dir_ / "locked.txt")->Write("x");
    ASSERT_TRUE(SetFileAttributesA((dir_ / "locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  }

  AnsiCodePage codepage_;
  Win32FileSystem fs_{codepage_};
  test::ScratchFolder dir_;
};

// Each row: a call, its path and argument in the scratch folder, the number raised.
TEST_F(Win32FileSystemTest, FailuresRaiseTheRuntimesNumbers) {
  for (const auto& c : test::LoadCases("win32_fs_failures")) {
    const std::string path = dir_ / c[1], other = dir_ / c[2];
    EXPECT_EQ(test::RaisedBy([&] {
                if (c[0] == "mkdir") fs_.CreateFolder(path);
                if (c[0] == "list") fs_.ListFiles(path);
                if (c[0] == "remove") fs_.RemoveFile(path, c[2] == "force");
                if (c[0] == "copy") fs_.CopyOver(path, other);
                if (c[0] == "create") fs_.CreateText(path);
                if (c[0] == "append") fs_.OpenTextForAppend(path);
              }),
              std::stoi(c[3])) << c.where;
  }
  EXPECT_EQ(fs_.ReadBytes(dir_ / "locked.txt"), "x");
  fs_.RemoveFile(dir_ / "locked.txt", true);
  EXPECT_FALSE(fs_.FileExists(dir_ / "locked.txt"));
}

TEST_F(Win32FileSystemTest, TextStreamsWriteAnsiAtOnceAndRefuseWhatItCannotHold) {
  auto stream = fs_.OpenTextForAppend(dir_ / "file.txt");
  stream->Write("caf\u00e9 ");
  stream->WriteLine("end");
  // Visible before Close: a killed run keeps every line it logged.
  const std::string expected = "text\r\n" + codepage_.ToAnsi("caf\u00e9 ") + "end\r\n";
  EXPECT_EQ(fs_.ReadBytes(dir_ / "file.txt"), expected);
  EXPECT_EQ(test::RaisedBy([&] { stream->WriteLine("snow \u2603"); }), vberr::kInvalidCall);
  stream->Close();
  EXPECT_EQ(fs_.ReadBytes(dir_ / "file.txt"), expected);
  EXPECT_EQ(fs_.ReadBytes(dir_ / "sub"), std::nullopt);

  fs_.CopyOver(dir_ / "file.txt", dir_ / "sub\\copy.txt");
  fs_.CopyOver(dir_ / "locked.txt", dir_ / "sub\\copy.txt");
  EXPECT_EQ(fs_.ReadBytes(dir_ / "sub\\copy.txt"), "x");
  std::vector<std::string> names = fs_.ListFiles(dir_ / "");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"file.txt", "locked.txt"}));
}

TEST_F(Win32FileSystemTest, AnsiFunctionsAnswerAsTheSystemDoes) {
  char buffer[MAX_PATH];
  const uint32_t n = fs_.ShortPathName((dir_ / "").c_str(), buffer, sizeof buffer);
  EXPECT_EQ(n, std::string(buffer).size());
  EXPECT_EQ(fs_.ShortPathName((dir_ / "").c_str(), buffer, 2), n + 1);
  EXPECT_EQ(fs_.ShortPathName((dir_ / "no").c_str(), buffer, sizeof buffer), 0u);
  EXPECT_TRUE(fs_.MakeSureDirectoryPathExists((dir_ / "a\\b\\name").c_str()));
  EXPECT_TRUE(fs_.FolderExists(dir_ / "a\\b") && !fs_.FolderExists(dir_ / "a\\b\\name"));
  EXPECT_TRUE(fs_.SetAttributesNormal((dir_ / "locked.txt").c_str()));
  fs_.RemoveFile(dir_ / "locked.txt", false);
}

}  // namespace
}  // namespace qmon::platform::win32
