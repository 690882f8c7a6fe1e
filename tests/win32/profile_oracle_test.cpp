// The profile engine over the Windows disk: it reads as the system's own ANSI
// profile functions do (same counts, same buffer bytes), writes by each way
// the disk replaces a file, and fails with the system's error codes.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/case_file.h"
#include "platform/profile/profile_engine.h"
#include "platform/win32/ansi_code_page.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_profile.h"
#include "support.h"

namespace qmon::platform::win32 {
namespace {

struct Probe {
  const char* section;  // kNames: GetPrivateProfileSectionNamesA
  const char* key;      // null: the section's key list
};

const char* const kNames = "<section names>";
const char* const kDefault = "d ef  ";

// Buffer sizes: none, the smallest, cuts inside names and values, roomy.
const uint32_t kSizes[] = {0, 1, 2, 3, 4, 5, 8, 9, 16, 255, 301, 4096};

class ProfileOracleTest : public ::testing::Test {
 protected:
  std::string Bytes(const std::string& path) { return fs_.ReadBytes(path).value_or("<missing>"); }

  // The question to the engine, or with null to the system.
  static uint32_t Ask(Profile* engine, const Probe& q, char* buffer, uint32_t n, const char* file) {
    if (q.section == kNames) {
      return engine ? engine->GetSectionNames(buffer, n, file)
                    : GetPrivateProfileSectionNamesA(buffer, n, file);
    }
    return engine ? engine->GetString(q.section, q.key, kDefault, buffer, n, file)
                  : GetPrivateProfileStringA(q.section, q.key, kDefault, buffer, n, file);
  }

  // Both into buffers preset to '#': same count, same bytes, two chars beyond
  // the buffer included.
  void Compare(const Probe& q, uint32_t n, const char* file) {
    std::string ours(n + 2, '#');
    std::string system(n + 2, '#');
    const uint32_t count = Ask(engine_.get(), q, ours.data(), n, file);
    const uint32_t expected = Ask(nullptr, q, system.data(), n, file);
    const std::string what = std::string(file) + " " + (q.section ? q.section : "(null)") + "/" +
                             (q.key ? q.key : "(null)") + " size " + std::to_string(n);
    EXPECT_EQ(count, expected) << what;
    // A cut list: Wine leaves the last char alone, Windows (and the engine)
    // writes a second NUL there.
    if (q.key == nullptr && n >= 2 && expected == n - 2) system[n - 1] = ours[n - 1];
    EXPECT_EQ(testing::PrintToString(ours), testing::PrintToString(system)) << what;
  }

  test::ScratchFolder folder_;
  AnsiCodePage codepage_;
  Win32FileSystem fs_{codepage_};
  std::unique_ptr<Profile> engine_ = MakeWin32Profile();
};

// Files of a few shapes whose answers hang on the buffer size, on case
// folding of ANSI letters (the system's, for the code page) and on a missing
// file, each with its questions (see the case file's head).
TEST_F(ProfileOracleTest, ReadsAnswerAsTheSystemDoes) {
  std::string path;
  for (const auto& c : test::LoadCases("profile_oracle")) {
    if (c[0] == "file") {
      path = folder_ / c[1];
      if (c.fields[2]) std::ofstream(path, std::ios::binary) << c[2];
      continue;
    }
    const bool names = c[0] == "names";
    for (const uint32_t n : kSizes) {
      // Left out where Wine is known not to answer as Windows does: the key
      // list of a section with a buffer of 2 (Wine answers the default).
      if (!names && c.fields[1] && !c.fields[2] && n == 2) continue;
      Compare({names ? kNames : c.c_str(1), names ? nullptr : c.c_str(2)}, n, path.c_str());
    }
  }
}

// A new file, then one replaced whole, each made by the flush that ends the
// step; failures answer the system's error codes.
TEST_F(ProfileOracleTest, WritesGoThroughTheDiskAndFailAsTheSystemDoes) {
  auto& engine = dynamic_cast<profile::ProfileEngine&>(*engine_);
  const std::string path = folder_ / "w.ini", big(70000, 'b');
  const char* p = path.c_str();
  for (const char* value : {"1", big.c_str()}) {
    ASSERT_TRUE(engine.WriteString("A", "k", value, p));
    EXPECT_FALSE(engine.WriteString(nullptr, nullptr, nullptr, p));
    EXPECT_EQ(engine.last_error(), ERROR_SUCCESS);
    EXPECT_EQ(Bytes(path), "[A]\r\nk=" + std::string(value) + "\r\n");
  }
  // Held open elsewhere without sharing: the system's answers, error 32.
  HANDLE held = CreateFileA(p, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Compare({"A", "k"}, 8, p);
  EXPECT_EQ(engine.last_error(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(engine.WriteString("A", "k", "4", p));
  EXPECT_EQ(engine.last_error(), ERROR_SHARING_VIOLATION);
  CloseHandle(held);
  // The step that failed ends: its writes are dropped, the file keeps what it held.
  EXPECT_FALSE(engine.WriteString(nullptr, nullptr, nullptr, p));
  EXPECT_EQ(Bytes(path), "[A]\r\nk=" + big + "\r\n");

  const std::string nofolder = folder_ / "nofolder\\x.ini";
  EXPECT_FALSE(engine.WriteString("A", "k", "v", nofolder.c_str()));
  EXPECT_EQ(engine.last_error(), ERROR_PATH_NOT_FOUND);
  ASSERT_TRUE(SetFileAttributesA(p, FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(engine.WriteString("A", "k", "three", p));
  EXPECT_EQ(engine.last_error(), ERROR_ACCESS_DENIED);
}

}  // namespace
}  // namespace qmon::platform::win32
