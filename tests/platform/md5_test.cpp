#include <gtest/gtest.h>

#include <string>

#include "platform/md5_builtin.h"
#include "support/machine.h"

namespace qmon::platform {
namespace {

// The answer and the out arguments of one call, in blocks of `kb` unless
// null; the outputs are primed with markers to show what was left alone.
std::string Md5Of(BuiltinMd5& md5, const std::string& path, const char* kb) {
  std::string digest = "old digest", size = "old size", error = "old error";
  const int answer = kb ? md5.QGetMD5WBlock(path, kb, digest, size, error)
                        : md5.QGetMD5(path, digest, size, error);
  return std::to_string(answer) + "|" + digest + "|" + size + "|" + error;
}

// Known digests, through both calls and blocks of any size: uneven, a
// fraction of a KB, blanks in the text, larger than the file.
TEST(Md5Test, KnownDigestsThroughBothCallsAndAnyBlockSize) {
  std::string mixed;
  for (int i = 0; i < 300007; ++i) mixed += static_cast<char>((i * 7 + i / 251) % 256);
  const struct {
    std::string content;
    std::string digest;  // empty: the whole-file digest, which every block size must match
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"The quick brown fox jumps over the lazy dog", "9e107d9d372bb6826bd81d3542a419d6"},
      {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
      {mixed, ""},
  };
  test::TestMachine machine;
  for (const auto& c : cases) {
    machine.Put("C:\\f.bin", c.content);
    const std::string whole = Md5Of(machine.md5, "C:\\f.bin", nullptr);
    const std::string digest = c.digest.empty() ? whole.substr(2, 32) : c.digest;
    const std::string expected = "1|" + digest + "|" + std::to_string(c.content.size()) + "|old error";
    EXPECT_EQ(whole, expected);
    for (const char* kb : {"32", "1", "3", "0.5", "0.001", " 3 2", "293", "99999"}) {
      EXPECT_EQ(Md5Of(machine.md5, "C:\\f.bin", kb), expected) << kb;
    }
  }
}

TEST(Md5Test, FailuresAnswerZeroAndSayWhy) {
  test::TestMachine machine;
  const std::string missing = "0|old digest|old size|Unable to open file C:\\Agent\\missing.xml";
  EXPECT_EQ(Md5Of(machine.md5, "C:\\Agent\\missing.xml", nullptr), missing);
  EXPECT_EQ(Md5Of(machine.md5, "C:\\Agent\\missing.xml", "32"), missing);
  machine.Put("C:\\abc.txt", "abc");
  for (const char* kb : {"0", "-1", "", "0.0001", "&HFFFF", "1e400", "1.5&"}) {
    EXPECT_EQ(Md5Of(machine.md5, "C:\\abc.txt", kb),
              std::string("0|old digest|old size|Invalid block size ") + kb + " KB for file C:\\abc.txt");
  }
}

}  // namespace
}  // namespace qmon::platform
