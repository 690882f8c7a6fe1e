// Tables of cases kept as data: tests/platform/cases/<name>, one case a line,
// fields split by tabs. Escapes: \r \n \t \0 \\ \xHH; a field "\N" is absent.
// Lines starting with '#' and blank lines are skipped.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmon::test {

struct CaseLine {
  std::string where;  // file:line, for failure messages
  std::vector<std::optional<std::string>> fields;
  const std::string& operator[](size_t i) const { return *fields.at(i); }
  const char* c_str(size_t i) const { return fields.at(i) ? fields[i]->c_str() : nullptr; }
};

// A whole file's bytes; a missing file reads as empty.
inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void PutFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// LF line ends to CR LF.
inline std::string Crlf(std::string_view text) {
  std::string out;
  for (char c : text) out += c == '\n' ? "\r\n" : std::string(1, c);
  return out;
}

// A whole data file's bytes.
inline std::string CaseFileBytes(const std::string& name) {
  EXPECT_TRUE(std::ifstream(std::string(QMON_CASES_DIR) + "/" + name)) << name;
  return FileBytes(std::string(QMON_CASES_DIR) + "/" + name);
}

inline std::vector<CaseLine> LoadCases(const std::string& name) {
  std::ifstream in(std::string(QMON_CASES_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  std::vector<CaseLine> cases;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    CaseLine c{name + ":" + std::to_string(number), {std::string()}};
    for (size_t i = 0; i < line.size(); ++i) {
      std::string& field = *c.fields.back();
      if (line[i] == '\t') {
        c.fields.emplace_back(std::string());
      } else if (line[i] != '\\' || i + 1 == line.size()) {
        field += line[i];
      } else if (const char e = line[++i]; e == 'x') {
        field += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else if (e == 'N') {
        c.fields.back().reset();
      } else {
        field += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e == '0' ? '\0' : e;
      }
    }
    cases.push_back(std::move(c));
  }
  EXPECT_FALSE(cases.empty()) << name;
  return cases;
}

}  // namespace qmon::test
