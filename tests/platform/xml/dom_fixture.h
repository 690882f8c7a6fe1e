// Documents for the DOM tests, loaded from bytes held in memory.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/env.h"
#include "platform/xml/dom.h"

namespace qmon::platform::xml {

// Files held in memory; the DOM only ever reads.
class MemoryFiles final : public FileSystem {
 public:
  std::map<std::string, std::string> files;

  std::optional<std::string> ReadBytes(const std::string& path) override {
    const auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  }

  bool FileExists(const std::string&) override { Unused(); }
  bool FolderExists(const std::string&) override { Unused(); }
  void CreateFolder(const std::string&) override { Unused(); }
  std::vector<std::string> ListFiles(const std::string&) override { Unused(); }
  void CopyOver(const std::string&, const std::string&) override { Unused(); }
  void RemoveFile(const std::string&, bool) override { Unused(); }
  std::unique_ptr<TextStream> CreateText(const std::string&) override { Unused(); }
  std::unique_ptr<TextStream> OpenTextForAppend(const std::string&) override { Unused(); }
  uint32_t ShortPathName(const char*, char*, uint32_t) override { Unused(); }
  bool SetAttributesNormal(const char*) override { Unused(); }
  bool MakeSureDirectoryPathExists(const char*) override { Unused(); }

 private:
  [[noreturn]] static void Unused() { throw std::logic_error("not used by the DOM"); }
};

class DomTest : public ::testing::Test {
 protected:
  static constexpr const char* kPath = "C:\\Agent\\QSCC\\MonitorTemplate\\t.xml";

  // Loads bytes into doc_; answers load's result.
  bool Load(const std::string& bytes) {
    files_.files[kPath] = bytes;
    return doc_.load(files_, kPath);
  }
  // The root element of a document that must load.
  Node Root(const std::string& bytes) {
    EXPECT_TRUE(Load(bytes)) << bytes;
    return doc_.selectSingleNode("/" + RootName(bytes));
  }

  MemoryFiles files_;
  DOMDocument doc_;

 private:
  // The first element name in the text: enough for the tests' documents.
  static std::string RootName(const std::string& bytes) {
    size_t pos = 0;
    while ((pos = bytes.find('<', pos)) != std::string::npos) {
      ++pos;
      const char c = bytes[pos];
      if (c != '?' && c != '!') break;
    }
    return bytes.substr(pos, bytes.find_first_of(" />\t\n", pos) - pos);
  }
};

}  // namespace qmon::platform::xml
