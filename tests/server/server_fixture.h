// A run prepared for the server procedures: the agent identity filled in, a
// scripted web-post component registered, process starts recorded instead of
// run, and a file system that a test can make fail at one call.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/vb_error.h"
#include "support/fake_web_post.h"
#include "support/run_fixture.h"

namespace qmon::test {

// Records command lines instead of starting them; `on_start` lets a test play
// the started program's part (regsvr32 registering the component).
class RecordingSystem final : public platform::System {
 public:
  explicit RecordingSystem(platform::System& real) : real_(real) {}

  bool ClaimSingleInstance() override { return real_.ClaimSingleInstance(); }
  std::string ProgramFolder() override { return real_.ProgramFolder(); }
  void StartProcess(const std::string& commandLine) override {
    started.push_back(commandLine);
    if (on_start) on_start();
  }
  uint32_t FormatSystemMessage(uint32_t code, char* buffer, uint32_t size) override {
    return real_.FormatSystemMessage(code, buffer, size);
  }

  std::vector<std::string> started;
  std::function<void()> on_start;

 private:
  platform::System& real_;
};

// The machine's file system, with `fail` asked before every call that names a
// path: raising there makes that call fail.
class FailableFileSystem final : public platform::FileSystem {
 public:
  explicit FailableFileSystem(platform::FileSystem& real) : real_(real) {}

  bool FileExists(const std::string& path) override {
    Ask("FileExists", path);
    return real_.FileExists(path);
  }
  bool FolderExists(const std::string& path) override {
    Ask("FolderExists", path);
    return real_.FolderExists(path);
  }
  void CreateFolder(const std::string& path) override {
    Ask("CreateFolder", path);
    real_.CreateFolder(path);
  }
  std::vector<std::string> ListFiles(const std::string& folder) override {
    Ask("ListFiles", folder);
    return real_.ListFiles(folder);
  }
  void CopyOver(const std::string& from, const std::string& to) override {
    Ask("CopyOver", to);
    real_.CopyOver(from, to);
  }
  void RemoveFile(const std::string& path, bool force) override {
    Ask("RemoveFile", path);
    real_.RemoveFile(path, force);
  }
  std::unique_ptr<platform::TextStream> CreateText(const std::string& path) override {
    Ask("CreateText", path);
    return real_.CreateText(path);
  }
  std::unique_ptr<platform::TextStream> OpenTextForAppend(const std::string& path) override {
    Ask("OpenTextForAppend", path);
    return real_.OpenTextForAppend(path);
  }
  std::optional<std::string> ReadBytes(const std::string& path) override {
    Ask("ReadBytes", path);
    return real_.ReadBytes(path);
  }
  uint32_t ShortPathName(const char* path, char* buffer, uint32_t size) override {
    return real_.ShortPathName(path, buffer, size);
  }
  bool SetAttributesNormal(const char* path) override { return real_.SetAttributesNormal(path); }
  bool MakeSureDirectoryPathExists(const char* path) override {
    return real_.MakeSureDirectoryPathExists(path);
  }

  // Raises VbError `number` at the call `operation` on `path`.
  void FailAt(std::string operation, std::string path, int32_t number) {
    fail_ = {std::move(operation), std::move(path), number};
  }

 private:
  struct Failure {
    std::string operation, path;
    int32_t number = 0;
  };

  void Ask(const char* operation, const std::string& path) const {
    if (fail_ && fail_->operation == operation && fail_->path == path) {
      throw VbError(fail_->number);
    }
  }

  platform::FileSystem& real_;
  std::optional<Failure> fail_;
};

// `expected` appear in `lines` in this order, other lines allowed between.
inline ::testing::AssertionResult InOrder(const std::vector<std::string>& lines,
                                          const std::vector<std::string>& expected) {
  size_t at = 0;
  for (const auto& line : lines) {
    if (at < expected.size() && line == expected[at]) ++at;
  }
  if (at == expected.size()) return ::testing::AssertionSuccess();
  auto failure = ::testing::AssertionFailure()
                 << "missing in order: \"" << expected[at] << "\"\nlogged:";
  for (const auto& line : lines) failure << "\n  " << line;
  return failure;
}

class ServerTest : public RunFixture {
 protected:
  ServerTest() : system(machine.system), files(machine.fs) {
    run.strRegID = "1001";
    run.strMemberID = "2002";
    run.strSiteID = "3003";
    run.strRegType = "TRLX";
    run.strAppVersion = "2.0.21";
    run.env.system = &system;
    // The log stays open on the machine's own file system.
    run.env.fs = &files;
    run.objFSO = &files;
  }

  const std::string dashes = std::string(60, '-');
  const std::string folder = "C:\\Agent\\QSCC\\MonitorTemplate";
  const std::string dnsIni = "C:\\Agent\\Configuration\\qScriptDNS.ini";

  std::shared_ptr<FakeWebPost> server = FakeWebPost::RegisteredIn(machine.components);
  RecordingSystem system;
  FailableFileSystem files;
};

}  // namespace qmon::test
