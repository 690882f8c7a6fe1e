#include "platform/posix/posix_fs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/case_file.h"
#include "platform/temp_name.h"
#include "platform/vb_error.h"
#include "support/temp_dir.h"

namespace qmon::platform::posix {
namespace {

namespace fs = std::filesystem;

class PosixFsTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(drive_c_); }

  void Put(const std::string& relative, const std::string& bytes, mode_t mode = 0644) {
    test::PutFile(drive_c_ + "/" + relative, bytes);
    ASSERT_EQ(chmod((drive_c_ + "/" + relative).c_str(), mode), 0) << relative;
  }
  std::string Get(const std::string& relative) { return test::FileBytes(drive_c_ + "/" + relative); }
  mode_t Mode(const std::string& relative) {
    struct stat st;
    EXPECT_EQ(stat((drive_c_ + "/" + relative).c_str(), &st), 0) << relative;
    return st.st_mode & 07777;
  }
  bool Exists(const std::string& relative) { return fs::exists(drive_c_ + "/" + relative); }

  test::ScopedTempDir root_;
  std::string drive_c_ = root_ / "drive_c";
  PathMap map_{root_.path()};
  PosixFileSystem fso_{map_};
};

TEST_F(PosixFsTest, ResolvesNamesWithoutRegardToCase) {
  fs::create_directories(drive_c_ + "/Scheduler INI");
  Put("Scheduler INI/qMonIniWriter_AddSection.ini", "[A]\r\n");
  const std::string other_case = "C:\\scheduler ini\\QMONINIWRITER_addsection.INI";

  EXPECT_TRUE(fso_.FileExists(other_case));
  EXPECT_TRUE(fso_.FolderExists("c:\\SCHEDULER INI\\"));
  EXPECT_FALSE(fso_.FolderExists(other_case));
  EXPECT_FALSE(fso_.FileExists("C:\\Scheduler INI"));
  EXPECT_FALSE(fso_.FileExists(""));
  EXPECT_FALSE(fso_.FolderExists(""));
  EXPECT_EQ(fso_.ReadBytes(other_case), "[A]\r\n");
  EXPECT_EQ(fso_.ReadBytes("C:\\missing.bin"), std::nullopt);
  EXPECT_EQ(fso_.ReadBytes("C:\\scheduler ini"), std::nullopt);  // a folder

  fso_.OpenTextForAppend(other_case)->WriteLine("k=v");
  EXPECT_EQ(Get("Scheduler INI/qMonIniWriter_AddSection.ini"), "[A]\r\nk=v\r\n");
  EXPECT_EQ(fso_.ListFiles("C:\\SCHEDULER ini"),
            std::vector<std::string>{"qMonIniWriter_AddSection.ini"});
}

TEST_F(PosixFsTest, CreateTextMakesOrReplacesAnAnsiFile) {
  auto stream = fso_.CreateText("C:\\New File.TXT");
  stream->Write("one");
  // Each call reaches the file at once, before any close.
  EXPECT_EQ(Get("New File.TXT"), "one");
  stream->WriteLine(" two");
  stream->WriteLine("");
  stream->Close();
  stream->Close();
  EXPECT_EQ(Get("New File.TXT"), "one two\r\n\r\n");

  // Replaced in place: the existing spelling stays, the old text goes.
  fso_.CreateText("c:\\new file.txt")->Write("x");
  EXPECT_EQ(Get("New File.TXT"), "x");
  EXPECT_FALSE(Exists("new file.txt"));

  // Windows-1252 on disk; what it cannot hold is refused, and the rest stays.
  stream = fso_.CreateText("C:\\ansi.txt");
  stream->Write("caf\xC3\xA9 \xE2\x82\xAC\xC5\xB8");  // café €Ÿ
  try {
    stream->WriteLine("ok \xE2\x98\x83");  // a snowman
    FAIL() << "no error raised";
  } catch (const VbError& e) {
    EXPECT_EQ(e.number, 5);
    EXPECT_EQ(e.description, "Invalid procedure call or argument");
  }
  stream->Write("!");
  stream.reset();
  EXPECT_EQ(Get("ansi.txt"), "caf\xE9 \x80\x9F!");
}

// A created or copied file is seen as it was or whole, and a temporary file
// left by an interrupted write (here read-only) is replaced, then gone.
TEST_F(PosixFsTest, FilesAreReplacedWhole) {
  Put("t.txt", "old");
  Put(TempPathBeside("t.txt"), "cut short", 0444);
  auto stream = fso_.CreateText("C:\\t.txt");
  EXPECT_EQ(Get("t.txt"), "old");
  stream->WriteLine("new");
  EXPECT_EQ(Get("t.txt"), "new\r\n");
  stream.reset();
  fso_.CreateText("C:\\empty.txt").reset();  // released unwritten: empty, as created
  EXPECT_EQ(Get("empty.txt"), "");
  fso_.CopyOver("C:\\empty.txt", "C:\\t.txt");
  EXPECT_EQ(Get("t.txt"), "");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(drive_c_)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"empty.txt", "t.txt"}));
}

TEST_F(PosixFsTest, FailuresRaiseTheRuntimeNumbers) {
  Put("locked.txt", "keep", 0444);
  Put("plain.txt", "p");
  fs::create_directories(drive_c_ + "/Folder");
  const struct {
    const char* what;
    std::function<void()> call;
    int32_t number;
  } cases[] = {
      {"CreateText, folder missing", [&] { fso_.CreateText("C:\\Nope\\x.txt"); }, 76},
      {"CreateText over read-only", [&] { fso_.CreateText("C:\\LOCKED.txt"); }, 70},
      {"append to missing", [&] { fso_.OpenTextForAppend("C:\\none.txt"); }, 53},
      {"append to read-only", [&] { fso_.OpenTextForAppend("C:\\locked.txt"); }, 70},
      {"list missing folder", [&] { fso_.ListFiles("C:\\Nope"); }, 76},
      {"remove missing", [&] { fso_.RemoveFile("C:\\none.txt", false); }, 53},
      {"remove a folder", [&] { fso_.RemoveFile("C:\\Folder", true); }, 53},
      {"remove read-only", [&] { fso_.RemoveFile("C:\\locked.txt", false); }, 70},
      {"copy missing source", [&] { fso_.CopyOver("C:\\none.txt", "C:\\y.txt"); }, 53},
      {"copy over read-only", [&] { fso_.CopyOver("C:\\plain.txt", "C:\\locked.txt"); }, 70},
      {"copy onto itself", [&] { fso_.CopyOver("C:\\plain.txt", "c:\\PLAIN.txt"); }, 70},
      {"create existing folder", [&] { fso_.CreateFolder("C:\\FOLDER"); }, 58},
      {"create folder, parent missing", [&] { fso_.CreateFolder("C:\\Nope\\Sub"); }, 76},
      // ENOTDIR from the system call itself, past the checks.
      {"create folder under a file", [&] { fso_.CreateFolder("C:\\plain.txt\\Sub"); }, 76},
  };
  for (const auto& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << c.what << ": no error raised";
    } catch (const VbError& e) {
      EXPECT_EQ(e.number, c.number) << c.what;
      EXPECT_EQ(e.description, VbErrorText(c.number)) << c.what;
    }
  }
  // Nothing was harmed by the refused calls.
  EXPECT_EQ(Get("locked.txt"), "keep");
  EXPECT_EQ(Get("plain.txt"), "p");
  EXPECT_FALSE(Exists("y.txt"));
  fso_.RemoveFile("C:\\LOCKED.TXT", true);  // with force, read-only goes too
  EXPECT_FALSE(Exists("locked.txt"));
}

TEST_F(PosixFsTest, CopyOverReplacesTheTargetAndCarriesReadOnly) {
  Put("source.ini", std::string("a\0b\r\n", 5));
  Put("Target.ini", "older and longer");
  fso_.CopyOver("C:\\SOURCE.ini", "C:\\target.INI");
  EXPECT_EQ(Get("Target.ini"), std::string("a\0b\r\n", 5));
  EXPECT_FALSE(Exists("target.INI"));

  Put("source.ini", std::string("a\0b\r\n", 5), 0444);
  fso_.CopyOver("C:\\source.ini", "C:\\Copy.ini");
  EXPECT_EQ(Get("Copy.ini"), std::string("a\0b\r\n", 5));
  EXPECT_EQ(Mode("Copy.ini") & S_IWUSR, 0u);
}

TEST_F(PosixFsTest, CreateFolderAndListFilesInNtfsOrder) {
  fso_.CreateFolder("C:\\T");
  fso_.CreateFolder("c:\\t\\Sub folder\\");  // the last level as spelled
  EXPECT_TRUE(fs::is_directory(drive_c_ + "/T/Sub folder"));
  for (const char* name : {"_x", "B", "a_b", "ab", "a", "a.txt", "a1.txt"}) {
    Put(std::string("T/") + name, "");
  }
  EXPECT_EQ(fso_.ListFiles("C:\\t\\"),
            (std::vector<std::string>{"a", "a.txt", "a1.txt", "ab", "a_b", "B", "_x"}));
  EXPECT_TRUE(fso_.ListFiles("C:\\T\\SUB FOLDER").empty());
}

TEST_F(PosixFsTest, ShortPathNameAnswersTheExistingPathItself) {
  fs::create_directories(drive_c_ + "/Agent");
  Put("Agent/caf\xC3\xA9.ini", "");
  const std::string path = "c:\\AGENT\\CAF\xC9.INI";  // Windows-1252, other case

  // One too small, then exactly large enough including the NUL.
  const auto exact = static_cast<uint32_t>(path.size() + 1);
  std::string small(exact, '#');
  EXPECT_EQ(fso_.ShortPathName(path.c_str(), small.data(), exact - 1), exact);
  EXPECT_EQ(small, std::string(exact, '#'));
  EXPECT_EQ(fso_.ShortPathName(path.c_str(), small.data(), exact), exact - 1);
  EXPECT_EQ(small, path + '\0');

  EXPECT_EQ(fso_.ShortPathName("C:\\Agent\\none.ini", small.data(), exact), 0u);
  EXPECT_EQ(small, path + '\0');  // a missing path leaves the buffer alone
}

TEST_F(PosixFsTest, SetAttributesNormalGivesTheOwnerWriteBitBack) {
  Put("r\xC3\xA9.txt", "", 0440);
  EXPECT_TRUE(fso_.SetAttributesNormal("C:\\R\xC9.TXT"));
  EXPECT_EQ(Mode("r\xC3\xA9.txt"), 0640u);
  EXPECT_FALSE(fso_.SetAttributesNormal("C:\\missing.txt"));
}

TEST_F(PosixFsTest, MakeSureDirectoryPathExistsCreatesTheFolderPart) {
  fs::create_directories(drive_c_ + "/Agent");
  EXPECT_TRUE(fso_.MakeSureDirectoryPathExists("c:\\agent\\Log\\\\qSCCLog\\file.log"));
  EXPECT_TRUE(fs::is_directory(drive_c_ + "/Agent/Log/qSCCLog"));  // Agent reused
  EXPECT_FALSE(Exists("Agent/Log/qSCCLog/file.log"));

  EXPECT_TRUE(fso_.MakeSureDirectoryPathExists("C:\\caf\xE9\\"));
  EXPECT_TRUE(fs::is_directory(drive_c_ + "/caf\xC3\xA9"));

  EXPECT_TRUE(fso_.MakeSureDirectoryPathExists("C:\\"));
  EXPECT_TRUE(fso_.MakeSureDirectoryPathExists("nothing"));

  Put("plain", "");
  EXPECT_FALSE(fso_.MakeSureDirectoryPathExists("C:\\plain\\sub\\"));
  EXPECT_FALSE(fso_.MakeSureDirectoryPathExists("Q:\\no drive\\"));
}

}  // namespace
}  // namespace qmon::platform::posix
