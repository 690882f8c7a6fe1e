#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "access/access.h"
#include "support/md5_fakes.h"
#include "support/run_fixture.h"

namespace qmon {
namespace {

using ::testing::ElementsAre;

class FileHelpersTest : public test::RunFixture {
 protected:
  const std::string file = "C:\\Agent\\QSCC\\data.txt";
};

TEST_F(FileHelpersTest, ChecksumLogsSizeAndDigest) {
  machine.Put(file, "abc");
  std::string error;
  EXPECT_EQ(Checksum(run, file, error), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(error, "");
  EXPECT_THAT(Logged(), ElementsAre("MSG : Getting MD5 checksum of : " + file,
                                    "MSG : Filesize : 3 Bytes",
                                    "MSG : FileMD5CheckSum : 900150983cd24fb0d6963f7d28e17f72"));
}

TEST_F(FileHelpersTest, ChecksumFallsBackToTheBlockReadSilently) {
  machine.Put(file, "abc");
  auto md5 = test::FailingMd5::FirstCallFails(machine.md5);
  run.env.md5 = &md5;
  std::string error;
  EXPECT_EQ(Checksum(run, file, error), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Logged().size(), 3u);
  EXPECT_EQ(md5.last_block_kb, "32");
}

TEST_F(FileHelpersTest, ChecksumWhenBothCallsFailLogsTheLibraryError) {
  auto md5 = test::FailingMd5::BothFail("  disk on fire ");
  run.env.md5 = &md5;
  std::string error;
  EXPECT_EQ(Checksum(run, file, error), "");
  EXPECT_EQ(error, "");
  EXPECT_THAT(Logged(),
              ElementsAre("MSG : Getting MD5 checksum of : " + file,
                          "ERR : Failed to Get MD5 check Sum for File " + file +
                              " Error = disk on fire with 32 KB Block Size",
                          "MSG : Filesize :  Bytes", "MSG : FileMD5CheckSum : "));
}

TEST_F(FileHelpersTest, ChecksumWithoutTheLibraryTellsTheCaller) {
  auto md5 = test::FailingMd5::Missing();
  run.env.md5 = &md5;
  std::string error;
  EXPECT_EQ(Checksum(run, file, error), "");
  EXPECT_EQ(error, "File not found: QGnMD5");
  EXPECT_THAT(Logged(),
              ElementsAre("MSG : Getting MD5 checksum of : " + file,
                          "ERR : 53 (File not found: QGnMD5) in procedure Checksum of Module "
                          "ModAppInstall"));
}

TEST_F(FileHelpersTest, ShortPathsOfExistingAndMissingPaths) {
  machine.Put(file, "x");
  EXPECT_EQ(GetShortPath(run, file), file);
  EXPECT_EQ(fncGetShortPath(run, file), file);
  const std::string missing = "C:\\Agent\\QSCC\\missing file.txt";
  EXPECT_EQ(GetShortPath(run, missing), "");
  EXPECT_EQ(fncGetShortPath(run, missing), missing);
  // A path longer than the 164-character buffer has no short form here.
  const std::string deep = "C:\\Agent\\" + std::string(170, 'd');
  machine.MakeFolder(deep);
  EXPECT_EQ(GetShortPath(run, deep), "");
  EXPECT_EQ(fncGetShortPath(run, deep), deep);
}

TEST_F(FileHelpersTest, DeleteRemovesReadOnlyFilesAndIgnoresMissingOnes) {
  machine.Put(file, "x");
  machine.SetReadOnly(file);
  EXPECT_TRUE(fncDeleteFile(run, file));
  EXPECT_FALSE(machine.Exists(file));
  EXPECT_TRUE(fncDeleteFile(run, file));
  EXPECT_THAT(Logged(), ElementsAre("File deleted : " + file));
}

TEST_F(FileHelpersTest, DeleteMatchesTheNameWithoutRegardToCase) {
  machine.Put(file, "x");
  EXPECT_TRUE(fncDeleteFile(run, "c:\\agent\\qscc\\DATA.TXT"));
  EXPECT_FALSE(machine.Exists(file));
}

}  // namespace
}  // namespace qmon
