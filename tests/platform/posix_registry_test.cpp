#include "platform/posix/posix_registry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/case_file.h"
#include "platform/posix/reg_unicode.h"
#include "support/temp_dir.h"

namespace qmon::platform::posix {
namespace {

using test::Crlf;

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";

// A registry file from LF text, header first.
std::string Reg(std::string_view body) { return Crlf(kHeader + std::string(body)); }

class PosixRegistryTest : public ::testing::Test {
 protected:
  std::string path() const { return dir_ / "system.reg"; }
  void WriteFile(const std::string& bytes) const { test::PutFile(path(), bytes); }
  std::string ReadFile() const { return test::FileBytes(path()); }
  long FolderEntries() const {
    return std::distance(std::filesystem::directory_iterator(dir_.path()), {});
  }
  Hkey Open(const std::string& subkey, uint32_t access = kKeyRead) {
    Hkey key = 0;
    EXPECT_EQ(access == kKeyRead ? reg_->OpenKeyEx(kHkeyLocalMachine, subkey, 0, access, &key)
                                 : reg_->CreateKey(kHkeyLocalMachine, subkey, &key),
              kErrorSuccess) << subkey;
    return key;
  }
  Hkey Create(const std::string& subkey) { return Open(subkey, 0); }
  // The data, or "<error N>".
  std::string Text(Hkey key, const std::string& name) {
    std::string buffer(256, '\0');
    uint32_t size = 256;
    const int32_t rc =
        reg_->QueryValueEx(key, name, nullptr, reinterpret_cast<uint8_t*>(buffer.data()), &size);
    return rc == kErrorSuccess ? buffer.substr(0, size) : "<error " + std::to_string(rc) + ">";
  }
  int32_t Set(Hkey key, const std::string& name, const std::string& data, uint32_t type = kRegSz) {
    return reg_->SetValueEx(key, name, type, reinterpret_cast<const uint8_t*>(data.data()),
                           static_cast<uint32_t>(data.size()));
  }

  std::string Call(const test::CaseLine& c);

  test::ScopedTempDir dir_;
  std::map<std::string, Hkey> handles_{
      {"HKLM", kHkeyLocalMachine}, {"HKCU", 0x80000001u}, {"zero", 0}, {"bad", 0x1234}};
  std::optional<PosixRegistry> reg_{std::in_place, dir_ / "system.reg"};
  ino_t inode_ = 0;
};

// What a case line's call answers (see the case file's head).
std::string PosixRegistryTest::Call(const test::CaseLine& c) {
  const std::string& call = c[0];
  const std::string answer = c.fields.back().value_or("<none>");
  if (call == "file") WriteFile(Reg(c[1]));
  if (call == "file-lf") WriteFile(kHeader + c[1]);
  if (call == "file-bom") WriteFile("\xEF\xBB\xBF" + Reg(c[1]));
  if (call == "file-utf16") WriteFile("\xFF\xFE" + Utf16LeFromUtf8(Reg(c[1])));
  if (call == "reopen") reg_.emplace(dir_ / c[1]);
  if (call == "entries") return std::to_string(FolderEntries());
  if (call == "put" && c[1].ends_with("/")) std::filesystem::create_directories(dir_ / c[1]);
  if (call == "put" && !c[1].ends_with("/")) test::PutFile(dir_ / c[1], c[2]);
  if (call == "remove") std::filesystem::remove_all(dir_ / c[1]);
  if (call == "swap") {  // a file of mode 0640 renamed over it
    test::PutFile(dir_ / "other.reg", Reg(c[1]));
    chmod((dir_ / "other.reg").c_str(), 0640);
    EXPECT_EQ(rename((dir_ / "other.reg").c_str(), path().c_str()), 0) << c.where;
  }
  if (call == "edit") {  // in place, its times set back: only the change time tells
    struct stat read, edited;
    EXPECT_EQ(stat(path().c_str(), &read), 0) << c.where;
    do {  // until the clock has moved on
      WriteFile(Reg(c[1]));
      const struct timespec times[2] = {read.st_atim, read.st_mtim};
      utimensat(AT_FDCWD, path().c_str(), times, 0);
      stat(path().c_str(), &edited);
    } while (edited.st_ctim.tv_sec == read.st_ctim.tv_sec &&
             edited.st_ctim.tv_nsec == read.st_ctim.tv_nsec);
  }
  if (call == "mode") {  // and whether another file took its place since the last look
    struct stat now;
    EXPECT_EQ(stat(path().c_str(), &now), 0) << c.where;
    const bool replaced = std::exchange(inode_, now.st_ino) != now.st_ino;
    const std::string mode = (std::stringstream() << std::oct << (now.st_mode & 07777)).str();
    return mode + (replaced ? " new" : "");
  }
  if (call == "bytes" && !std::filesystem::exists(path())) return "<none>";
  if (call == "bytes") return ReadFile() == Reg(answer) ? answer : ReadFile();
  if (call == "query") return Text(handles_[c[1]], c[2]);
  if (call == "delete") return std::to_string(reg_->DeleteValue(handles_[c[1]], c[2]));
  if (call == "close") return std::to_string(reg_->CloseKey(handles_[c[1]]));
  if (call == "set") {
    return std::to_string(Set(handles_[c[1]], c[2], c[3], c.fields.size() > 5 ? std::stoul(c[4]) : kRegSz));
  }
  if (call == "value") {
    std::string buffer(std::stoul(c[3]), '\0');
    uint32_t type = 0, size = static_cast<uint32_t>(buffer.size()), no_type = 0, no_size = 0;
    const Hkey key = handles_[c[1]];
    const int32_t rc = reg_->QueryValueEx(key, c[2], &type, reinterpret_cast<uint8_t*>(buffer.data()), &size);
    if (rc != kErrorSuccess && rc != kErrorMoreData) return std::to_string(rc);
    // With no buffer: the same type and size.
    EXPECT_EQ(reg_->QueryValueEx(key, c[2], &no_type, nullptr, &no_size), kErrorSuccess);
    EXPECT_EQ(std::tie(no_type, no_size), std::tie(type, size)) << c.where;
    return std::to_string(rc) + " " + std::to_string(type) + " " + std::to_string(size) +
           (rc == kErrorSuccess ? " " + buffer.substr(0, size) : "");
  }
  if (call != "open" && call != "create") return answer;
  Hkey& key = handles_[c[1]] = 77;
  const int32_t rc = call == "open" ? reg_->OpenKeyEx(handles_[c[2]], c[3], 0, kKeyRead, &key)
                                    : reg_->CreateKey(handles_[c[2]], c[3], &key);
  EXPECT_EQ(rc == kErrorSuccess, key != 0) << c.where;  // a failure leaves no handle
  return std::to_string(rc);
}

TEST_F(PosixRegistryTest, CallsAnswerAndWriteAsWindowsWould) {
  for (const auto& c : test::LoadCases("registry_calls")) EXPECT_EQ(Call(c), c.fields.back().value_or("<none>")) << c.where;
}

TEST_F(PosixRegistryTest, QueryNeedsASizeForItsData) {
  WriteFile(Reg("[HKEY_LOCAL_MACHINE\\A]\n\"Sz\"=\"abc\"\n"));
  uint8_t buffer[4];
  const Hkey key = Open("A");
  EXPECT_EQ(reg_->QueryValueEx(key, "Sz", nullptr, buffer, nullptr), 87);
  EXPECT_EQ(reg_->QueryValueEx(key, "Sz", nullptr, nullptr, nullptr), kErrorSuccess);
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
  WriteFile(read + Crlf("\"Other\"=\"2\"\n"));
  close(folder);
  if (done == 0) waitpid(child, &status, 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Text(key, "Mine"), std::string("1\0", 2));
  EXPECT_EQ(Text(key, "Other"), std::string("2\0", 2));
}

}  // namespace
}  // namespace qmon::platform::posix
