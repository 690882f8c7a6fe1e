// The profile functions on the emulated machine: the bytes they leave in a
// file, what they answer, and how they fail.
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/case_file.h"
#include "platform/env.h"
#include "platform/posix/path_map.h"
#include "platform/posix/posix_profile.h"
#include "platform/temp_name.h"
#include "support/temp_dir.h"

namespace qmon::platform::posix {
namespace {

constexpr time_t kStamp = 1000000000;  // a time in the past

class ProfileTest : public ::testing::Test {
 protected:
  ProfileTest() { std::filesystem::create_directories(dir_ / "drive_c"); }
  std::string Path(const std::string& name = "t.ini") const { return dir_ / name; }
  std::string Call(const test::CaseLine& c);

  test::ScopedTempDir dir_;
  PathMap map_{dir_.path()};
  std::unique_ptr<profile::ProfileEngine> engine_ = MakePosixProfile(map_);
  profile::ProfileEngine& profile_ = *engine_;
};

// What a case line's call answers (see the case file's head).
std::string ProfileTest::Call(const test::CaseLine& c) {
  const std::string path = c[1].starts_with("c:") ? c[1] : Path(c[1]);
  if (c[0] == "put") {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    test::PutFile(path, c[4]);
    std::filesystem::permissions(path, std::filesystem::perms(std::stoi(c[5], nullptr, 8)));
  } else if (c[0] == "edit" || c[0] == "append") {  // from outside, in place
    test::PutFile(path, (c[0] == "append" ? test::FileBytes(path) : "") + c[4]);
  } else if (c[0] == "stamp") {
    const timespec times[2] = {{kStamp, 1}, {kStamp, 1}};
    EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  } else if (c[0] == "stat") {  // the mode, and whether the time is still the stamp
    struct stat st;
    EXPECT_EQ(stat(path.c_str(), &st), 0) << c.where;
    char answer[32];
    std::snprintf(answer, sizeof answer, "%o %d", st.st_mode & 07777, st.st_mtim.tv_sec == kStamp);
    return answer;
  } else if (c[0] == "temporaries") {
    std::string names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      if (entry.path().filename().string().starts_with("~qmon")) names += entry.path().filename();
    }
    return names;
  } else if (c[0] == "block") {  // a folder takes the temporary file's name
    std::filesystem::create_directories(TempPathBeside(path) + "/in");
  } else if (c[0] == "remove") {
    std::filesystem::remove(path);
  } else if (c[0] == "bytes") {
    profile_.WriteString(nullptr, nullptr, nullptr, path.c_str());
    return std::filesystem::exists(path) ? test::FileBytes(path) : "<none>";
  } else if (c[0] == "write") {
    return profile_.WriteString(c.c_str(2), c.c_str(3), c.c_str(4), path.c_str())
               ? "1"
               : "0 error " + std::to_string(profile_.last_error());
  } else if (c[0] == "int") {
    return std::to_string(static_cast<int32_t>(
        profile_.GetInt(c.c_str(2), c.c_str(3), std::stoi(c[4]), path.c_str())));
  } else if (c[0] == "get") {
    std::string buffer(std::stoul(c[5]) + 2, '#');
    const uint32_t n = profile_.GetString(c.c_str(2), c.c_str(3), c.c_str(4), buffer.data(),
                                          std::stoul(c[5]), path.c_str());
    EXPECT_EQ(buffer.substr(std::stoul(c[5])), "##") << c.where;  // nothing past its size
    return std::to_string(n) + " " + buffer.substr(0, n + 2) + " error " +
           std::to_string(profile_.last_error());
  }
  return "";
}

TEST_F(ProfileTest, CallsAnswerAndFailAsTheSystemDoes) {
  for (const auto& c : test::LoadCases("profile_calls")) {
    EXPECT_EQ(Call(c), c.fields.size() > 6 ? c.fields[6].value_or("<none>") : "") << c.where;
  }
}

}  // namespace
}  // namespace qmon::platform::posix
