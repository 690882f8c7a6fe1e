#include "platform/posix/posix_fs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
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

  test::ScopedTempDir root_;
  std::string drive_c_ = root_ / "drive_c";
  PathMap map_{root_.path()};
  PosixFileSystem fso_{map_};
};

// What a case line's call answers: a flag, text, or "error N".
std::string Call(PosixFileSystem& fso, const std::string& drive_c,
                 std::unique_ptr<TextStream>& stream, const test::CaseLine& c) {
  const std::string &call = c[0], path = c.fields.size() > 1 ? c[1] : "";
  const std::string arg = c.fields.size() > 2 ? c[2] : "";
  const std::string disk = drive_c + "/" + path;
  std::string answer;
  try {
    if (call == "dir") fs::create_directories(disk);
    if (call == "put") test::PutFile(disk, arg);
    if (call == "leftover") test::PutFile(TempPathBeside(disk), "cut short");
    if (call == "put" || call == "leftover") {
      fs::permissions(call == "put" ? disk : TempPathBeside(disk), fs::perms(std::stoi(c[3], nullptr, 8)));
    }
    if (call == "temporaries") {
      for (const auto& entry : fs::recursive_directory_iterator(drive_c)) {
        if (entry.path().filename().string().starts_with("~qmon")) answer += entry.path().filename();
      }
    }
    if (call == "disk") return fs::exists(disk) ? test::FileBytes(disk) : "<none>";
    if (call == "mode") {
      char octal[8];
      std::snprintf(octal, sizeof octal, "%o", unsigned(fs::status(disk).permissions()));
      return octal;
    }
    if (call == "file?") answer = std::to_string(fso.FileExists(path));
    if (call == "folder?") answer = std::to_string(fso.FolderExists(path));
    if (call == "read") answer = fso.ReadBytes(path).value_or("<none>");
    if (call == "create") stream = fso.CreateText(path);
    if (call == "write") stream->Write(path);
    if (call == "line") stream->WriteLine(path);
    if (call == "close") stream->Close();
    if (call == "release") stream.reset();
    if (call == "append") fso.OpenTextForAppend(path)->WriteLine(arg);
    if (call == "remove") fso.RemoveFile(path, arg == "force");
    if (call == "copy") fso.CopyOver(path, arg);
    if (call == "mkdir") fso.CreateFolder(path);
    if (call == "normal") answer = std::to_string(fso.SetAttributesNormal(path.c_str()));
    if (call == "mkpath") answer = std::to_string(fso.MakeSureDirectoryPathExists(path.c_str()));
    for (const std::string& name : call == "list" ? fso.ListFiles(path) : std::vector<std::string>{}) {
      answer += (answer.empty() ? "" : "|") + name;
    }
    if (call == "short") {
      std::string buffer(std::stoul(arg), '#');
      const uint32_t n = fso.ShortPathName(path.c_str(), buffer.data(), std::stoul(arg));
      answer = std::to_string(n) + " " + buffer;
    }
  } catch (const VbError& e) {
    EXPECT_EQ(e.description, VbErrorText(e.number)) << c.where;
    answer = "error " + std::to_string(e.number);
  }
  return answer;
}

TEST_F(PosixFsTest, CallsAnswerAndLeaveTheDiskAsWindowsWould) {
  std::unique_ptr<TextStream> stream;
  for (const auto& c : test::LoadCases("fs_calls")) {
    const std::string answer = Call(fso_, drive_c_, stream, c);
    // No answer field: the call answers nothing.
    const size_t at = c[0] == "put" || c[0] == "leftover" ? 4 : 3;
    EXPECT_EQ(answer, c.fields.size() > at ? c.fields[at].value_or("<none>") : "") << c.where;
  }
}

}  // namespace
}  // namespace qmon::platform::posix
