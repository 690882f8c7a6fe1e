#include "log/cases.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include "platform/memory/memory_env.h"
#include "platform/vb_error.h"
#include "support/forwarding_fs.h"

namespace qmon::test {
namespace {

using platform::memory::NameKey;

struct Block {
  std::string header;  // after "-- "
  std::vector<std::string> lines;
};
struct Case {
  std::vector<std::string> notes;  // the "#" lines before it
  std::string name;
  std::vector<Block> blocks;
};

std::vector<Case> Parse(std::string_view text) {
  std::vector<Case> cases;
  std::vector<std::string> notes;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("#")) {
      notes.push_back(line);
    } else if (line.starts_with("== ")) {
      cases.push_back({std::move(notes), line.substr(3), {}});
      notes.clear();
    } else if (line.starts_with("-- ") && !cases.empty()) {
      cases.back().blocks.push_back({line.substr(3), {}});
    } else if (!cases.empty() && !cases.back().blocks.empty()) {
      cases.back().blocks.back().lines.push_back(line);
    }
  }
  return cases;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  if (!text.empty() && text.back() == separator) parts.emplace_back();
  return parts;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\\x") == 0 && i + 4 <= text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 3]))) {
      out += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string Escape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    }
  }
  return out;
}

// File contents as "| line" per CR LF ended line and "|~ rest" for bytes after the last.
void PrintFile(std::vector<std::string>& out, const std::string& bytes) {
  size_t at = 0;
  for (size_t end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2) {
    out.push_back("| " + Escape(bytes.substr(at, end - at)));
  }
  if (at < bytes.size()) out.push_back("|~ " + Escape(bytes.substr(at)));
}

// The web-post component "qWbPost.WebPost". Every object created shares the
// script of answers and the record of posts, so the posts of the shared
// object and of per-call objects alike are seen.
struct FakeWebPost {
  // Answer lines, "result=..|response=..|e1=..|e2=..|e3=..|raise=N", in
  // order; a post beyond them fails the test. An output left unset keeps
  // what the caller passed in.
  std::deque<std::string> answers;
  // Creations that raise, in order (0 lets that creation succeed); once
  // empty, every creation succeeds.
  std::deque<int32_t> creation_errors;
  // What each post was given, outputs as they stood on entry: transcript lines.
  std::vector<std::string> posts;
};

class PostObject final : public platform::WebPostObject {
 public:
  explicit PostObject(std::shared_ptr<FakeWebPost> server) : server_(std::move(server)) {}

  bool PostXMLString(std::string& xml, bool flag, std::string& url, std::string arg4,
                     std::string arg5, std::string& response, std::string& error1,
                     std::string& error2, std::string& error3) override {
    FakeWebPost& s = *server_;
    s.posts.push_back("post " + Escape(url) + (flag ? " flag" : ""));
    s.posts.push_back("post-xml " + Escape(xml));
    const std::string given =
        arg4 + "|" + arg5 + "|" + response + "|" + error1 + "|" + error2 + "|" + error3;
    if (given != "|||||") s.posts.push_back("post-given " + Escape(given));
    if (s.answers.empty()) {
      ADD_FAILURE() << "unexpected post to " << url;
      return false;
    }
    const std::string line = s.answers.front();
    s.answers.pop_front();
    std::map<std::string, std::string*> outputs = {
        {"response", &response}, {"e1", &error1}, {"e2", &error2}, {"e3", &error3}};
    bool result = true;
    for (const std::string& pair : Split(line, '|')) {
      const std::string key = pair.substr(0, pair.find('='));
      const std::string value = Unescape(pair.substr(key.size() + 1));
      if (key == "raise") throw VbError(std::stoi(value));
      if (key == "result") result = value == "true";
      if (outputs.contains(key)) *outputs[key] = value;
    }
    return result;
  }

 private:
  std::shared_ptr<FakeWebPost> server_;
};

std::shared_ptr<FakeWebPost> RegisterFakeWebPost(platform::ComponentRegistry& components) {
  auto server = std::make_shared<FakeWebPost>();
  components.Register("qWbPost.WebPost", [server]() -> std::unique_ptr<platform::WebPostObject> {
    if (!server->creation_errors.empty()) {
      const int32_t error = server->creation_errors.front();
      server->creation_errors.pop_front();
      if (error != 0) throw VbError(error);
    }
    return std::make_unique<PostObject>(server);
  });
  return server;
}

// A file system whose calls fail or race as a case's "fail" block says.
class ScriptedFs final : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  struct Rule {
    std::string what, path;
    int number;
  };
  std::vector<Rule> rules;

  bool FileExists(const std::string& path) override {
    Raise("FileExists", path);
    const bool exists = inner_.FileExists(path);
    for (auto& r : rules) {
      if (r.what == "vanish" && NameKey(path) == NameKey(r.path) && --r.number == 0 && exists) {
        inner_.RemoveFile(path, true);
      }
    }
    return exists;
  }
  std::vector<std::string> ListFiles(const std::string& folder) override {
    Raise("ListFiles", folder);
    return inner_.ListFiles(folder);
  }
  std::unique_ptr<platform::TextStream> CreateText(const std::string& path) override {
    Raise("create-text", path);
    return inner_.CreateText(path);
  }

 private:
  void Raise(const std::string& what, const std::string& path) const {
    for (const auto& r : rules) {
      if (r.what == what && NameKey(path) == NameKey(r.path)) throw VbError(r.number);
    }
  }
};

const std::pair<const char*, std::string Run::*> kTexts[] = {
    {"strRegID", &Run::strRegID},
    {"strMemberID", &Run::strMemberID},
    {"strSiteID", &Run::strSiteID},
    {"strRegType", &Run::strRegType},
    {"strAppVersion", &Run::strAppVersion},
    {"strServiceID", &Run::strServiceID},
    {"strPrimaryURL", &Run::strPrimaryURL},
    {"strTemplateID", &Run::strTemplateID},
    {"strTemplateVersion", &Run::strTemplateVersion},
    {"strMonitorTemplatePath", &Run::strMonitorTemplatePath}};
const std::pair<const char*, bool Run::*> kFlags[] = {
    {"blnPerfFunctionFound", &Run::blnPerfFunctionFound},
    {"blnEventFunctionFound", &Run::blnEventFunctionFound},
    {"blnPerfMonMissing", &Run::blnPerfMonMissing},
    {"blnEventLogMonMissing", &Run::blnEventLogMonMissing},
    {"blnNoTemplateAssigned", &Run::blnNoTemplateAssigned}};
const char* const kChecksums[] = {"Performance", "Event", "Main"};

// What a user could notice of a run at one moment.
struct State {
  std::map<std::string, std::pair<std::string, std::string>> files;  // key: spelt path, bytes
  // "reg NAME" of each checksum value and "run FIELD" of each run field, and its value.
  std::vector<std::pair<std::string, std::optional<std::string>>> values;
  size_t logged = 0, posts = 0, starts = 0;
};

State Take(AgentRun& r, const FakeWebPost& server) {
  State s;
  for (const auto& [key, entry] : r.machine.Files()) s.files[key] = {entry->path, entry->bytes};
  for (const char* name : kChecksums) {
    s.values.emplace_back(std::string("reg ") + name, r.machine.RegValue("SOFTWARE\\QAVOOD", name));
  }
  for (const auto& [name, field] : kTexts) {
    s.values.emplace_back(std::string("run ") + name, r.run.*field);
  }
  for (const auto& [name, field] : kFlags) {
    s.values.emplace_back(std::string("run ") + name, YesNo(r.run.*field));
  }
  s.logged = r.Logged().size();
  s.posts = server.posts.size();
  s.starts = r.machine.system.started.size();
  return s;
}

// The lines that tell what changed from `a` to `b`.
void Changes(AgentRun& r, const FakeWebPost& server, const State& a, const State& b,
             std::vector<std::string>& out) {
  const auto log = r.Logged();
  for (size_t i = a.logged; i < log.size(); ++i) out.push_back("log " + Escape(log[i]));
  out.insert(out.end(), server.posts.begin() + a.posts, server.posts.begin() + b.posts);
  for (size_t i = a.starts; i < b.starts; ++i) out.push_back("start " + r.machine.system.started[i]);
  for (const auto& [key, file] : b.files) {
    const auto was = a.files.find(key);
    if (was != a.files.end() && was->second == file) continue;
    out.push_back("file " + file.first);
    PrintFile(out, file.second);
  }
  for (const auto& [key, file] : a.files) {
    if (!b.files.contains(key)) out.push_back("gone " + file.first);
  }
  for (size_t i = 0; i < b.values.size(); ++i) {
    const auto& [what, value] = b.values[i];
    if (value != a.values[i].second) out.push_back(what + (value ? "=" + Escape(*value) : " gone"));
  }
}

// Prepares the machine and the run from the case's blocks, runs its calls;
// answers the transcript.
std::vector<std::string> Play(const Case& c, const std::map<std::string, Procedure>& procedures) {
  AgentRun r;
  auto server = RegisterFakeWebPost(r.machine.components);
  ScriptedFs fs(r.machine.fs);
  platform::ComponentRegistry unregistered;
  std::vector<std::string> out;
  for (const Block& b : c.blocks) {
    const std::string kind = b.header.substr(0, b.header.find(' '));
    const std::string path = b.header.substr(std::min(b.header.size(), kind.size() + 1));
    std::string bytes;
    for (const auto& line : b.lines) bytes += Unescape(line) + (kind == "put" ? "\r\n" : "");
    if (kind == "put" || kind == "put-raw") r.machine.Put(path, bytes);
    if (kind == "folder") r.machine.MakeFolder(path);
    if (kind == "agent-key") r.machine.WriteAgentKey(b.lines);
    if (kind == "clock") {
      auto& t = r.machine.clock.now;
      std::istringstream(path) >> t.year >> t.month >> t.day >> t.hour >> t.minute >> t.second;
    }
    for (const std::string& line : b.lines) {
      const std::vector<std::string> words = Split(line, ' ');
      if (kind == "set") {
        const std::string name = line.substr(0, line.find('=')), value = line.substr(name.size() + 1);
        for (const auto& [n, field] : kTexts) {
          if (name == n) r.run.*field = value;
        }
        for (const auto& [n, field] : kFlags) {
          if (name == n) r.run.*field = value == "true";
        }
      }
      if (kind == "fail" && line == "unregistered") {
        r.run.env.components = &unregistered;
      } else if (kind == "fail" && line == "registered-by-start") {
        r.machine.system.on_start = [&r] { r.run.env.components = &r.machine.components; };
      } else if (kind == "fail") {
        const size_t skip = words[0] == "create-text" ? 1 : words[0] == "vanish" ? 2 : 3;
        std::string target = line;
        for (size_t i = 0; i < skip; ++i) target.erase(0, target.find(' ') + 1);
        const int number = skip == 1 ? vberr::kPermissionDenied : std::stoi(words[skip - 1]);
        fs.rules.push_back({words[0] == "raise" ? words[1] : words[0], target, number});
        r.run.env.fs = r.run.objFSO = &fs;
      }
      if (kind == "answers" && line.starts_with("create=")) {
        server->creation_errors.push_back(std::stoi(line.substr(7)));
      } else if (kind == "answers") {
        server->answers.push_back(line);
      }
      if (kind == "call") {
        const State before = Take(r, *server);
        std::vector<std::string> args = Split(line, '|');
        const std::string procedure = args[0];
        args.erase(args.begin());
        for (auto& arg : args) arg = Unescape(arg);
        out.push_back("> " + line);
        const auto p = procedures.find(procedure);
        if (p == procedures.end()) {
          ADD_FAILURE() << "no procedure " << procedure;
          continue;
        }
        const std::string answer = p->second(r, args);
        if (!answer.empty()) out.push_back("= " + Escape(answer));
        Changes(r, *server, before, Take(r, *server), out);
      }
    }
  }
  return out;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

}  // namespace

void RunCases(const std::string& name, std::string_view text,
              const std::map<std::string, Procedure>& procedures) {
  const char* out_folder = std::getenv("QMON_CASES_OUT");
  std::string written;
  const std::vector<Case> cases = Parse(text);
  EXPECT_FALSE(cases.empty()) << name;
  for (const Case& c : cases) {
    SCOPED_TRACE(name + ": " + c.name);
    const std::vector<std::string> actual = Play(c, procedures);
    written += Join(c.notes) + "== " + c.name + "\n";
    const std::vector<std::string>* expected = nullptr;
    for (const Block& b : c.blocks) {
      if (b.header == "expect") {
        expected = &b.lines;
        continue;
      }
      written += "-- " + b.header + "\n" + Join(b.lines);
    }
    written += "-- expect\n" + Join(actual);
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(Join(actual), Join(*expected));
  }
  if (out_folder) {
    std::ofstream(std::string(out_folder) + "/" + name) << "R\"cases(\n" << written << ")cases\"\n";
  }
}

}  // namespace qmon::test
