#include "platform/md5_builtin.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/vb_error.h"
#include "support/md5_fakes.h"

namespace qmon::platform {
namespace {

// Files held in memory; the MD5 library only ever reads.
class MemoryFileSystem final : public FileSystem {
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
  [[noreturn]] static void Unused() { throw std::logic_error("not used by the MD5 library"); }
};

// One call's out arguments, primed with markers to see what was left alone.
struct Out {
  std::string digest = "old digest";
  std::string size = "old size";
  std::string error = "old error";
};

class Md5Test : public ::testing::Test {
 protected:
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

  MemoryFileSystem fs_;
  BuiltinMd5 md5_{fs_};
};

TEST_F(Md5Test, KnownDigestsThroughBothCalls) {
  struct {
    const char* path;
    std::string content;
    const char* digest;
    const char* size;
  } const cases[] = {
      {"C:\\Agent\\empty.txt", "", "d41d8cd98f00b204e9800998ecf8427e", "0"},
      {"C:\\Agent\\abc.txt", "abc", "900150983cd24fb0d6963f7d28e17f72", "3"},
      {"C:\\Agent\\T\xC3\xABst.xml", "The quick brown fox jumps over the lazy dog",
       "9e107d9d372bb6826bd81d3542a419d6", "43"},
      {"C:\\Agent\\a.bin", std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21",
       "1000000"},
  };
  for (const auto& c : cases) {
    fs_.files[c.path] = c.content;
    for (const Out& out : {Whole(c.path, 1), Block(c.path, "32", 1)}) {
      EXPECT_EQ(out.digest, c.digest) << c.path;
      EXPECT_EQ(out.size, c.size) << c.path;
      EXPECT_EQ(out.error, "old error") << c.path;
    }
  }
}

TEST_F(Md5Test, BlockSizeDoesNotChangeTheDigest) {
  std::string content;
  for (int i = 0; i < 300007; ++i) content += static_cast<char>((i * 7 + i / 251) % 256);
  fs_.files["C:\\big.bin"] = content;
  const std::string whole = Whole("C:\\big.bin", 1).digest;
  ASSERT_EQ(whole.size(), 32u);
  // Blocks that divide the file unevenly, one byte short of a block, a
  // fraction of a KB, blanks in the text, a block larger than the file.
  for (const char* kb : {"32", "1", "3", "0.5", "0.001", " 3 2", "64", "293", "1e3", "99999"}) {
    const Out out = Block("C:\\big.bin", kb, 1);
    EXPECT_EQ(out.digest, whole) << kb;
    EXPECT_EQ(out.size, "300007") << kb;
  }
}

TEST_F(Md5Test, UnreadableFileAnswersZeroAndNamesThePath) {
  const std::string path = "C:\\Agent\\missing.xml";
  for (const Out& out : {Whole(path, 0), Block(path, "32", 0)}) {
    EXPECT_EQ(out.digest, "old digest");
    EXPECT_EQ(out.size, "old size");
    EXPECT_EQ(out.error, "Unable to open file " + path);
  }
}

TEST_F(Md5Test, BlockSizeBelowOneByteAnswersZero) {
  fs_.files["C:\\abc.txt"] = "abc";
  for (const char* kb : {"0", "-1", "", "abc", "0.0001", "&HFFFF", "1e400", "1.5&"}) {
    const Out out = Block("C:\\abc.txt", kb, 0);
    EXPECT_EQ(out.digest, "old digest") << kb;
    EXPECT_EQ(out.size, "old size") << kb;
    EXPECT_EQ(out.error, std::string("Invalid block size ") + kb + " KB for file C:\\abc.txt");
  }
}

// ---- The failing double the callers' tests use -------------------------------

TEST(FailingMd5Test, MissingLibraryRaisesOnEveryCall) {
  test::FailingMd5 md5 = test::FailingMd5::Missing();
  std::string digest, size, error;
  for (int call = 0; call < 2; ++call) {
    try {
      if (call == 0) {
        md5.QGetMD5("C:\\a", digest, size, error);
      } else {
        md5.QGetMD5WBlock("C:\\a", "32", digest, size, error);
      }
      ADD_FAILURE() << "call " << call << " raised nothing";
    } catch (const VbError& e) {
      EXPECT_EQ(e.number, 53);
      EXPECT_EQ(e.description, "File not found: QGnMD5");
    }
  }
  EXPECT_EQ(md5.whole_calls, 1);
  EXPECT_EQ(md5.block_calls, 1);
}

TEST(FailingMd5Test, FirstCallFailsAndTheBlockCallIsForwarded) {
  MemoryFileSystem fs;
  fs.files["C:\\abc.txt"] = "abc";
  BuiltinMd5 real(fs);
  test::FailingMd5 md5 = test::FailingMd5::FirstCallFails(real);
  std::string digest, size, error;
  EXPECT_EQ(md5.QGetMD5("C:\\abc.txt", digest, size, error), 0);
  EXPECT_EQ(digest, "");
  EXPECT_EQ(md5.QGetMD5WBlock("C:\\abc.txt", "32", digest, size, error), 1);
  EXPECT_EQ(digest, "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(size, "3");
  EXPECT_EQ(md5.last_block_kb, "32");
}

TEST(FailingMd5Test, BothFailWithTheGivenText) {
  test::FailingMd5 md5 = test::FailingMd5::BothFail("disk on fire");
  Out out;
  EXPECT_EQ(md5.QGetMD5("C:\\a", out.digest, out.size, out.error), 0);
  EXPECT_EQ(out.error, "disk on fire");
  out.error.clear();
  EXPECT_EQ(md5.QGetMD5WBlock("C:\\a", "32", out.digest, out.size, out.error), 0);
  EXPECT_EQ(out.error, "disk on fire");
  EXPECT_EQ(out.digest, "old digest");
  EXPECT_EQ(out.size, "old size");
}

}  // namespace
}  // namespace qmon::platform
