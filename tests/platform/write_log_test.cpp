// A step's kept writes come back whole and in order, also across the log's
// blocks and from a write larger than a block.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/profile/write_log.h"

namespace qmon::platform::profile {
namespace {

TEST(WriteLogTest, GivesBackEveryWriteInOrder) {
  struct Write {
    std::string section, key, value;
    bool has_key, has_value;
  };
  std::vector<Write> writes;
  for (int i = 0; i < 6000; ++i) {
    // Runs of writes to one section, so that runs span the blocks' edges.
    writes.push_back({"Section" + std::to_string(i / 7), "Key" + std::to_string(i),
                      std::string(i % 97, 'v'), i % 50 != 0, i % 11 != 0});
  }
  writes.push_back({"Big", "k", std::string(200000, 'b'), true, true});
  writes.push_back({"Big", "after", "x", true, true});

  WriteLog log;
  for (const Write& w : writes) {
    log.Add(w.section.c_str(), w.has_key ? w.key.c_str() : nullptr,
            w.has_value ? w.value.c_str() : nullptr);
  }
  size_t next = 0;
  log.ForEach([&](const char* section, const char* key, const char* value) {
    ASSERT_LT(next, writes.size());
    const Write& w = writes[next++];
    EXPECT_EQ(section, w.section) << next;
    EXPECT_EQ(key != nullptr, w.has_key) << next;
    EXPECT_EQ(value != nullptr, w.has_value) << next;
    EXPECT_EQ(key ? key : "", w.has_key ? w.key : "") << next;
    EXPECT_EQ(value ? value : "", w.has_value ? w.value : "") << next;
  });
  EXPECT_EQ(next, writes.size());

  log.clear();
  EXPECT_TRUE(log.empty());
  log.Add("Big", "k", "1");  // no section is taken over from before the clear
  log.ForEach([](const char* section, const char*, const char*) { EXPECT_STREQ(section, "Big"); });
}

}  // namespace
}  // namespace qmon::platform::profile
