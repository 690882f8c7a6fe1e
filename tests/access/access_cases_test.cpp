#include <gtest/gtest.h>

#include "access/access.h"
#include "log/cases.h"
#include "platform/vb_error.h"

namespace qmon::test {
namespace {

using Args = const std::vector<std::string>&;

// The MD5 library missing from the installation (every call raises), or one
// whose whole-file call fails, so that the block call answers (its error
// padded with blanks).
class BrokenMd5 final : public platform::Md5Library {
 public:
  BrokenMd5(platform::Md5Library& inner, bool missing) : inner_(inner), missing_(missing) {}
  int16_t QGetMD5(const std::string&, std::string&, std::string&, std::string& error) override {
    Missing();
    error = "QGetMD5 failed";
    return 0;
  }
  int16_t QGetMD5WBlock(const std::string& path, const std::string& kb, std::string& digest,
                        std::string& size, std::string& error) override {
    Missing();
    const int16_t answer = inner_.QGetMD5WBlock(path, kb, digest, size, error);
    error = "  " + error + " ";
    return answer;
  }

 private:
  void Missing() const {
    if (missing_) throw VbError(vberr::kFileNotFound, "File not found: QGnMD5");
  }
  platform::Md5Library& inner_;
  bool missing_;
};

// A profile whose every call raises, as the runtime does when a call fails
// under it (out of memory).
class RaisingProfile final : public platform::Profile {
 public:
  uint32_t GetString(const char*, const char*, const char*, char*, uint32_t, const char*) override {
    throw VbError(vberr::kOutOfMemory);
  }
  uint32_t GetInt(const char*, const char*, int32_t, const char*) override {
    throw VbError(vberr::kOutOfMemory);
  }
  uint32_t GetSectionNames(char*, uint32_t, const char*) override {
    throw VbError(vberr::kOutOfMemory);
  }
  bool WriteString(const char*, const char*, const char*, const char*) override {
    throw VbError(vberr::kOutOfMemory);
  }
};

std::string Text(int32_t n) { return std::to_string(n); }

const std::map<std::string, Procedure> kProcedures = {
    {"md5", [](AgentRun& r, Args a) {
       static std::map<std::string, std::unique_ptr<BrokenMd5>> kept;
       kept[a[0]] = std::make_unique<BrokenMd5>(r.machine.md5, a[0] == "missing");
       r.run.env.md5 = kept[a[0]].get();
       return std::string();
     }},
    {"profile-raises", [](AgentRun& r, Args) {
       static RaisingProfile raising;
       r.run.env.profile = &raising;
       return std::string();
     }},
    {"read-only", [](AgentRun& r, Args a) {
       r.machine.SetReadOnly(a[0]);
       return std::string();
     }},
    {"Checksum", [](AgentRun& r, Args a) {
       std::string error;
       const std::string digest = Checksum(r.run, a[0], error);
       return digest + "|" + error;
     }},
    {"GetShortPath", [](AgentRun& r, Args a) { return GetShortPath(r.run, a[0]); }},
    {"fncGetShortPath", [](AgentRun& r, Args a) { return fncGetShortPath(r.run, a[0]); }},
    {"fncDeleteFile", [](AgentRun& r, Args a) { return YesNo(fncDeleteFile(r.run, a[0])); }},
    {"GetINIString", [](AgentRun& r, Args a) { return GetINIString(r.run, a[0], a[1], a[2]); }},
    {"GetKeyValue",
     [](AgentRun& r, Args a) { return GetKeyValue(r.run, a[0], a[1], a[2], a[3] == "true"); }},
    {"GetSections", [](AgentRun& r, Args a) { return GetSections(r.run, a[0]); }},
    {"GetSectionNames", [](AgentRun& r, Args a) { return GetSectionNames(r.run, a[0]); }},
    // Writes of one step ("section|key|value" each, value "-" deletes the
    // section): their answers, what the last written key reads, and whether
    // the file exists, before the step ends.
    {"Step", [](AgentRun& r, Args a) {
       const IniWriteStep step(r.run, a[0]);
       std::string answers;
       for (size_t i = 1; i + 2 < a.size(); i += 3) {
         answers += Text(a[i + 2] == "-" ? DeleteSection(r.run, a[i], a[0])
                                         : SetKeyValue(r.run, a[i], a[i + 1], a[i + 2], a[0])) +
                    " ";
       }
       const size_t last = a.size() - 3;
       if (a[last + 2] != "-") answers += GetINIString(r.run, a[last], a[last + 1], a[0]) + " ";
       return answers + YesNo(r.machine.Exists(a[0]));
     }},
    {"SetKeyValue",
     [](AgentRun& r, Args a) { return Text(SetKeyValue(r.run, a[0], a[1], a[2], a[3])); }},
    {"DeleteSection", [](AgentRun& r, Args a) { return Text(DeleteSection(r.run, a[0], a[1])); }},
    {"SetRegValue", [](AgentRun& r, Args a) {
       SetRegValue(r.run, platform::kHkeyLocalMachine, a[0], a[1], a[2]);
       return r.machine.RegValue(a[0], a[1]).value_or("(none)");
     }},
    {"DelRegValue", [](AgentRun& r, Args a) {
       DelRegValue(r.run, platform::kHkeyLocalMachine, a[0], a[1]);
       platform::Hkey key = 0;
       const bool opens = r.machine.registry.OpenKeyEx(platform::kHkeyLocalMachine, a[0], 0,
                                                       platform::kKeyRead, &key) == 0;
       return r.machine.RegValue(a[0], a[1]).value_or("(none)") + (opens ? " key" : " no key");
     }}};

TEST(AccessCases, All) {
  RunCases("access_cases.txt",
#include "access/access_cases.txt"
           , kProcedures);
}

}  // namespace
}  // namespace qmon::test
