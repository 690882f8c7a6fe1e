#include "support/scenario.h"

#include <algorithm>
#include <fstream>
#include <utility>

#include "platform/case_file.h"

namespace qmon::test {
namespace fs = std::filesystem;
namespace {

// Template requests answer server/<inid>.xml (empty when there is none); the
// failure page answers the lines of server/updfail in turn, the last one
// again once they run out ("1" without the file): "!<code>" fails the
// exchange with that code, any other line is the answer.
class Server final : public platform::WebPostObject {
 public:
  Server(const Scenario& s, std::shared_ptr<size_t> reports, std::function<bool()> broken)
      : s_(s), reports_(std::move(reports)), broken_(std::move(broken)) {}
  bool PostXMLString(std::string& xml, bool, std::string& url, std::string, std::string,
                     std::string& response, std::string& error1, std::string&,
                     std::string&) override {
    s_.posts->insert(s_.posts->end(), {url, xml});
    if (broken_ && broken_()) {
      error1 = "12030";
      return false;
    }
    if (url.find("updfail") != std::string::npos) {
      const std::vector<std::string> answers = s_.Lines("server/updfail");
      const std::string answer =
          answers.empty() ? "1" : answers[std::min((*reports_)++, answers.size() - 1)];
      if (answer.starts_with("!")) error1 = answer.substr(1);
      else response = answer;
      return !answer.starts_with("!");
    }
    const size_t at = xml.find("<inid>") + 6;
    response = s_.Text("server/" + xml.substr(at, xml.find("</inid>") - at) + ".xml");
    return true;
  }

 private:
  const Scenario& s_;
  std::shared_ptr<size_t> reports_;
  std::function<bool()> broken_;
};

}  // namespace

Scenario::Scenario(const std::string& name) : dir(fs::path(QMON_SCENARIOS) / name) {}

std::vector<std::string> Scenario::All() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(QMON_SCENARIOS)) {
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Scenario::Text(const std::string& relative) const {
  return FileBytes((dir / relative).string());
}

std::vector<std::string> Scenario::Lines(const std::string& relative) const {
  std::vector<std::string> lines;
  std::ifstream file(dir / relative, std::ios::binary);
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

std::map<std::string, std::string> Scenario::Files(const std::string& tree) const {
  std::map<std::string, std::string> files;
  if (!Has(tree)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(dir / tree)) {
    if (!entry.is_regular_file()) continue;
    std::string path = "C:\\" + fs::relative(entry.path(), dir / tree).generic_string();
    std::replace(path.begin(), path.end(), '/', '\\');
    files[path] = Text(fs::relative(entry.path(), dir).string());
  }
  return files;
}

std::vector<std::string> Scenario::AgentKey() const {
  return Has("agent.reg") ? Lines("agent.reg") : kInstalledAgentValues;
}

void Scenario::Prepare(TestMachine& m, std::function<bool()> broken) const {
  m.WriteAgentKey(AgentKey());
  for (const auto& [path, bytes] : Files("before")) {
    // An empty ".folder" stands for its folder, which git would not keep empty.
    if (path.ends_with("\\.folder")) m.MakeFolder(path.substr(0, path.size() - 8));
    else m.Put(path, bytes);
  }
  if (!Has("server")) return;
  auto reports = std::make_shared<size_t>(0);
  m.components.Register("qWbPost.WebPost", [this, reports, broken] {
    return std::make_unique<Server>(*this, reports, broken);
  });
}

}  // namespace qmon::test
