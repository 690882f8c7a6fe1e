// A profile engine over a fresh emulated machine, with helpers that put and
// take a file's exact bytes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/posix/path_map.h"
#include "platform/posix/posix_profile.h"
#include "support/temp_dir.h"

namespace qmon::platform::posix {

class ProfileTest : public ::testing::Test {
 protected:
  ProfileTest() { std::filesystem::create_directories(dir_ / "drive_c"); }

  // The native path of a file in the machine's root folder.
  std::string Path(const std::string& name = "t.ini") const { return dir_ / name; }

  void Put(const std::string& bytes, const std::string& name = "t.ini") {
    std::ofstream(Path(name), std::ios::binary | std::ios::trunc) << bytes;
  }
  // The file as the engine leaves it: its kept writes are flushed first.
  std::string Bytes(const std::string& name = "t.ini") const {
    engine_->WriteString(nullptr, nullptr, nullptr, Path(name).c_str());
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  bool Write(const char* section, const char* key, const char* value,
             const std::string& name = "t.ini") {
    return profile_.WriteString(section, key, value, Path(name).c_str());
  }
  // GetPrivateProfileStringA into a buffer of `size` chars (two more are
  // there to show that nothing beyond was touched), all preset to '#'.
  std::string Get(const char* section, const char* key, const char* def, uint32_t size,
                  uint32_t* count, const std::string& name = "t.ini") {
    std::string buffer(size + 2, '#');
    *count = profile_.GetString(section, key, def, buffer.data(), size, Path(name).c_str());
    return buffer;
  }
  // The value of a key read with a roomy buffer, up to its NUL.
  std::string Value(const char* section, const char* key, const std::string& name = "t.ini") {
    uint32_t count = 0;
    return Get(section, key, "<default>", 1024, &count, name).substr(0, count);
  }

  test::ScopedTempDir dir_;
  PathMap map_{dir_.path()};
  std::unique_ptr<profile::ProfileEngine> engine_ = MakePosixProfile(map_);
  profile::ProfileEngine& profile_ = *engine_;
};

}  // namespace qmon::platform::posix
