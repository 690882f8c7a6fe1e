#include <gtest/gtest.h>

#include <string>

#include "platform/md5_builtin.h"
#include "support/machine.h"

namespace qmon::platform {
namespace {

// One call's out arguments, primed with markers to see what was left alone.
struct Out {
  std::string digest = "old digest", size = "old size", error = "old error";
};

class Md5Test : public ::testing::Test {
 protected:
  // Puts a file at C:\<name>.
  void Put(const std::string& name, const std::string& bytes) {
    machine_.Put("C:\\" + name, bytes);
  }
  Out Whole(const std::string& path, int expected_answer) {
    Out out;
    EXPECT_EQ(md5_.QGetMD5(path, out.digest, out.size, out.error), expected_answer) << path;
    return out;
  }
  Out Block(const std::string& path, const std::string& kb, int expected_answer) {
    Out out;
    EXPECT_EQ(md5_.QGetMD5WBlock(path, kb, out.digest, out.size, out.error), expected_answer)
        << path << " in blocks of " << kb;
    return out;
  }

  test::TestMachine machine_;
  BuiltinMd5& md5_ = machine_.md5;
};

// Known digests, through both calls and blocks of any size: uneven, a
// fraction of a KB, blanks in the text, larger than the file.
TEST_F(Md5Test, KnownDigestsThroughBothCallsAndAnyBlockSize) {
  std::string mixed;
  for (int i = 0; i < 300007; ++i) mixed += static_cast<char>((i * 7 + i / 251) % 256);
  const struct {
    std::string content;
    const char* digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"The quick brown fox jumps over the lazy dog", "9e107d9d372bb6826bd81d3542a419d6"},
      {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
      {mixed, "<whole>"},  // the whole-file digest, which every block size must match
  };
  for (const auto& c : cases) {
    Put("f.bin", c.content);
    const Out whole = Whole("C:\\f.bin", 1);
    const std::string digest = c.digest == std::string("<whole>") ? whole.digest : c.digest;
    EXPECT_EQ(whole.digest, digest);
    for (const char* kb : {"32", "1", "3", "0.5", "0.001", " 3 2", "293", "99999"}) {
      const Out out = Block("C:\\f.bin", kb, 1);
      EXPECT_EQ(out.digest, digest) << kb;
      EXPECT_EQ(out.size, std::to_string(c.content.size())) << kb;
      EXPECT_EQ(out.error, "old error") << kb;
    }
  }
}

TEST_F(Md5Test, FailuresAnswerZeroAndSayWhy) {
  const std::string missing = "C:\\Agent\\missing.xml";
  for (const Out& out : {Whole(missing, 0), Block(missing, "32", 0)}) {
    EXPECT_EQ(out.digest + "|" + out.size, "old digest|old size");
    EXPECT_EQ(out.error, "Unable to open file " + missing);
  }
  Put("abc.txt", "abc");
  for (const char* kb : {"0", "-1", "", "0.0001", "&HFFFF", "1e400", "1.5&"}) {
    const Out out = Block("C:\\abc.txt", kb, 0);
    EXPECT_EQ(out.digest + "|" + out.size, "old digest|old size") << kb;
    EXPECT_EQ(out.error, std::string("Invalid block size ") + kb + " KB for file C:\\abc.txt");
  }
}

}  // namespace
}  // namespace qmon::platform
