// Documents for the DOM tests, written to a test machine and loaded from there.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/xml/dom.h"
#include "support/machine.h"

namespace qmon::platform::xml {

class DomTest : public ::testing::Test {
 protected:
  static constexpr const char* kPath = "C:\\Agent\\QSCC\\MonitorTemplate\\t.xml";

  // Loads bytes into doc_; answers load's result.
  bool Load(const std::string& bytes) {
    machine_.Put(kPath, bytes);
    return doc_.load(machine_.fs, kPath);
  }
  // The root element of a document that must load and starts with it.
  Node Root(const std::string& bytes) {
    EXPECT_TRUE(Load(bytes)) << bytes;
    return doc_.childNodes().item(0);
  }

  test::TestMachine machine_;
  DOMDocument doc_;
};

}  // namespace qmon::platform::xml
