// A run prepared for the server procedures: the agent identity filled in, a
// scripted web-post component registered, process starts recorded instead of
// run, and a file system that a test can make fail at one call.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/vb_error.h"
#include "support/fake_web_post.h"
#include "support/forwarding_fs.h"
#include "support/run_fixture.h"

namespace qmon::test {

// The machine's file system, where FileExists or ListFiles of one path can be
// made to raise.
class FailableFileSystem final : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;

  bool FileExists(const std::string& path) override {
    Ask("FileExists", path);
    return inner_.FileExists(path);
  }
  std::vector<std::string> ListFiles(const std::string& folder) override {
    Ask("ListFiles", folder);
    return inner_.ListFiles(folder);
  }

  // Raises VbError `number` at the call `operation` on `path`.
  void FailAt(std::string operation, std::string path, int32_t number) {
    operation_ = std::move(operation);
    path_ = std::move(path);
    number_ = number;
  }

 private:
  void Ask(const char* operation, const std::string& path) const {
    if (operation_ == operation && path_ == path) throw VbError(number_);
  }

  std::string operation_, path_;
  int32_t number_ = 0;
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
  ServerTest() : files(machine.fs) {
    run.strRegID = "1001";
    run.strMemberID = "2002";
    run.strSiteID = "3003";
    run.strRegType = "TRLX";
    run.strAppVersion = "2.0.21";
    run.env.fs = run.objFSO = &files;
  }

  const std::string dashes = std::string(60, '-');
  const std::string folder = "C:\\Agent\\QSCC\\MonitorTemplate";
  const std::string dnsIni = "C:\\Agent\\Configuration\\qScriptDNS.ini";

  std::shared_ptr<FakeWebPost> server = FakeWebPost::RegisteredIn(machine.components);
  MemorySystem& system = machine.system;  // records process starts
  FailableFileSystem files;
};

}  // namespace qmon::test
