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

TEST_F(Md5Test, KnownDigestsThroughBothCalls) {
  const struct {
    const char* name;
    std::string content;
    const char* digest;
    const char* size;
  } cases[] = {
      {"empty.txt", "", "d41d8cd98f00b204e9800998ecf8427e", "0"},
      {"abc.txt", "abc", "900150983cd24fb0d6963f7d28e17f72", "3"},
      {"fox.xml", "The quick brown fox jumps over the lazy dog", "9e107d9d372bb6826bd81d3542a419d6",
       "43"},
      {"a.bin", std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21", "1000000"},
  };
  for (const auto& c : cases) {
    Put(c.name, c.content);
    const std::string path = std::string("C:\\") + c.name;
    for (const Out& out : {Whole(path, 1), Block(path, "32", 1)}) {
      EXPECT_EQ(out.digest, c.digest) << c.name;
      EXPECT_EQ(out.size, c.size) << c.name;
      EXPECT_EQ(out.error, "old error") << c.name;
    }
  }
}

TEST_F(Md5Test, BlockSizeDoesNotChangeTheDigest) {
  std::string content;
  for (int i = 0; i < 300007; ++i) content += static_cast<char>((i * 7 + i / 251) % 256);
  Put("big.bin", content);
  const std::string whole = Whole("C:\\big.bin", 1).digest;
  ASSERT_EQ(whole.size(), 32u);
  // Blocks that divide the file unevenly, a fraction of a KB, blanks in the
  // text, a block larger than the file.
  for (const char* kb : {"1", "3", "0.5", "0.001", " 3 2", "293", "99999"}) {
    const Out out = Block("C:\\big.bin", kb, 1);
    EXPECT_EQ(out.digest, whole) << kb;
    EXPECT_EQ(out.size, "300007") << kb;
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
