// The profile engine over the Windows disk against the system's own ANSI
// profile functions: the same files, the same questions, the same counts and
// buffer bytes. Writes are only read back through the system: Wine lays out
// what it writes its own way, unlike Windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/profile/profile_engine.h"
#include "platform/win32/win32_profile.h"

namespace qmon::platform::win32 {
namespace {

using namespace std::string_literals;

struct Probe {
  const char* section;  // kNames: GetPrivateProfileSectionNamesA
  const char* key;      // null: the section's key list
  bool quoted = false;  // compared with roomy buffers only
};

struct OracleFile {
  const char* name;
  std::string bytes;  // kMissing: no such file
  std::vector<Probe> probes;
};

const char* const kNames = "<section names>";
const std::string kMissing = "<missing>";
const char* const kDefault = "d ef  ";

// Left out where Wine is known not to answer as Windows does, or Windows has
// not been seen: quoted values with a buffer short of the quotes, "" as a
// section or key, keys starting with ";", defaults with quotes, byte-order
// marks, "[]", the key list of a missing or empty section or with a buffer of
// 2 (Wine answers the default), and names that differ from the file's in the
// case of a non-ASCII letter (Wine folds ASCII letters only).
// clang-format off
const std::vector<OracleFile> kFiles = {
    {"plain.ini", "[section1]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\n[section2]\r\nk=1\r\n",
     {{"section1", "name1"}, {"SECTION1", "NAME4"}, {"section1", "name2"}, {"section1", "name3"},
      {"section1", "none"}, {"nosection", "k"}, {"section1", nullptr}, {"section2", nullptr}}},
    {"spacing.ini", "  [  Sec One  ]  \r\n\t k1\t=\t v one \t\r\n  k2  =  two  \r\n\r\n[a]b]  x\r\nk=a=b\r\n",
     {{" sec one\t", "  k1 "}, {"Sec One", "k2"}, {"a]b", "k"}, {"Sec One", nullptr}}},
    {"quotes.ini", "[Q]\r\nq=\"val2\"\r\ns='single'\r\nb=\" x \"\r\nh1=\"a\r\nh2=\"b'\r\nh3=in\"side\"\r\n"
                   "d=\"\"x\"\"\r\ne=\"\"\r\n",
     {{"Q", "q", true}, {"Q", "s", true}, {"Q", "b", true}, {"Q", "h1"}, {"Q", "h2"}, {"Q", "h3"},
      {"Q", "d", true}, {"Q", "e", true}, {"Q", nullptr}}},
    {"comments.ini", "; top\r\n[C]\r\n;c=2\r\nnoequals\r\n#h=1\r\n[open\r\n[E]\r\n; only a comment\r\n",
     {{"C", "#h"}, {"C", "noequals"}, {"C", "[open"}, {"C", nullptr}}},
    {"duplicates.ini", "[A]\r\nk=1\r\nk=2\r\nK=3\r\n[a]\r\nk=4\r\nm=5\r\n[B]\r\n[A]\r\nn=6\r\n",
     {{"A", "k"}, {"a", "m"}, {"A", "n"}, {"A", nullptr}}},
    {"long.ini", "[L]\r\nlong=" + std::string(300, 'v') + "\r\nafter=1\r\n",
     {{"L", "long"}, {"L", "after"}, {"L", nullptr}}},
    {"lf.ini", "[A]\nk=lf\n[B]\nk=2\n", {{"A", "k"}, {"B", "k"}, {"B", nullptr}}},
    {"cr.ini", "[A]\rk=cr\r[B]\rk=2\r", {{"A", "k"}, {"B", "k"}, {"A", nullptr}}},
    {"mixed.ini", "[A]\r\nk=1\nm=2\rn=3\r\n\n[B]\rx=4", {{"A", "m"}, {"A", nullptr}, {"B", "x"}}},
    {"nofinal.ini", "[A]\r\nk=last", {{"A", "k"}, {"A", nullptr}}},
    {"before.ini", "k0=v0\r\nk1=v1\r\n[A]\r\nk=1\r\n", {{"A", "k"}, {"A", "k0"}, {"A", nullptr}}},
    {"ints.ini", "[I]\r\na=12abc\r\nb=-3\r\nc=0x10\r\nd=0X1F\r\ne=0b101\r\nf=010\r\ng=\r\nh=abc\r\n"
                 "i=4294967297\r\nj=99999999999\r\nk=\"42\"\r\nl= 7\r\nm=- 5\r\nn=+1\r\no=0o17\r\n",
     {{"I", "a"}, {"I", "b"}, {"I", "c"}, {"I", "d"}, {"I", "e"}, {"I", "f"}, {"I", "g"}, {"I", "h"},
      {"I", "i"}, {"I", "j"}, {"I", "k", true}, {"I", "l"}, {"I", "m"}, {"I", "n"}, {"I", "o"},
      {"I", "none"}}},
    {"ansi.ini", "[\xC4rger \x8A\xFF]\r\n\xE9t\xE9=1252\r\n",
     {{"\xC4rger \x8A\xFF", "\xE9t\xE9"}, {"\xC4RGER \x8A\xFF", nullptr}}},
    {"empty.ini", "", {{"A", "k"}}},
    {"nosections.ini", "k=v\r\n; c\r\n", {{"A", "k"}}},
    {"missing.ini", kMissing, {{"A", "k"}}},
};
// clang-format on

// Buffer sizes: none, the smallest, cuts inside names and values, roomy.
const uint32_t kSizes[] = {0, 1, 2, 3, 4, 5, 8, 9, 12, 16, 255, 301, 4096};
constexpr uint32_t kRoomy = 255;

class ProfileOracleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    folder_ = std::string(temp) + "qmon-profile-oracle-" + std::to_string(GetCurrentProcessId());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  static std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

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

  std::string folder_;
  std::unique_ptr<Profile> engine_ = MakeWin32Profile();
};

TEST_F(ProfileOracleTest, ReadsAnswerAsTheSystemDoes) {
  for (const OracleFile& file : kFiles) {
    const std::string path = folder_ + "\\" + file.name;
    if (file.bytes != kMissing) std::ofstream(path, std::ios::binary) << file.bytes;
    std::vector<Probe> probes = {{kNames, nullptr}, {nullptr, nullptr}};
    probes.insert(probes.end(), file.probes.begin(), file.probes.end());
    for (const uint32_t n : kSizes) {
      for (const Probe& q : probes) {
        if (q.quoted && n < kRoomy) continue;
        if (q.section && q.section != kNames && !q.key && n == 2) continue;  // Wine: the default
        Compare(q, n, path.c_str());
      }
    }
    for (const Probe& q : file.probes) {
      if (q.key == nullptr) continue;
      EXPECT_EQ(engine_->GetInt(q.section, q.key, 77, path.c_str()),
                GetPrivateProfileIntA(q.section, q.key, 77, path.c_str()))
          << file.name << " " << q.key;
    }
  }
}

// Every way the store writes goes through the Windows disk; the system reads
// back what the engine wrote. Failures answer the system's error codes.
TEST_F(ProfileOracleTest, WritesTakeEveryPathAndFailAsTheSystemDoes) {
  auto& engine = dynamic_cast<profile::ProfileEngine&>(*engine_);
  const std::string path = folder_ + "\\w.ini";
  const std::string big(70000, 'b');
  const char* p = path.c_str();
  ASSERT_TRUE(engine.WriteString("A", "k", "1", p));  // a new file, made by the flush
  EXPECT_FALSE(engine.WriteString(nullptr, nullptr, nullptr, p));
  EXPECT_EQ(engine.last_error(), ERROR_SUCCESS);
  ASSERT_TRUE(engine.WriteString("A", "k", "2", p));
  ASSERT_TRUE(engine.WriteString("B", "big", "x", p));
  ASSERT_TRUE(engine.WriteString("B", "big", big.c_str(), p));
  ASSERT_TRUE(engine.WriteString("A", "k", "three", p));
  EXPECT_EQ(Bytes(path), "[A]\r\nk=1\r\n");  // kept until the flush
  EXPECT_FALSE(engine.WriteString(nullptr, nullptr, nullptr, p));  // replaced whole
  const profile::ProfileStoreStats& stats = engine.stats();
  EXPECT_EQ(stats.rewrites, 2u);
  EXPECT_EQ(stats.loads, 0u);
  EXPECT_EQ(Bytes(path), "[A]\r\nk=three\r\n[B]\r\nbig=" + big + "\r\n");
  char value[8];
  EXPECT_EQ(GetPrivateProfileStringA("A", "k", "", value, sizeof value, p), 5u);
  EXPECT_STREQ(value, "three");

  // Held open elsewhere without sharing: the system's answers, error 32.
  HANDLE held = CreateFileA(p, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Compare({"A", "k"}, 8, p);
  EXPECT_EQ(engine.last_error(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(engine.WriteString("A", "k", "4", p));
  EXPECT_EQ(engine.last_error(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(WritePrivateProfileStringA("A", "k", "4", p));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(held);
  // The step that failed ends: its writes are dropped, the file keeps what it held.
  EXPECT_FALSE(engine.WriteString(nullptr, nullptr, nullptr, p));
  EXPECT_EQ(Bytes(path), "[A]\r\nk=three\r\n[B]\r\nbig=" + big + "\r\n");

  const std::string nofolder = folder_ + "\\nofolder\\x.ini";
  EXPECT_FALSE(engine.WriteString("A", "k", "v", nofolder.c_str()));
  EXPECT_EQ(engine.last_error(), ERROR_PATH_NOT_FOUND);
  ASSERT_TRUE(SetFileAttributesA(p, FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(engine.WriteString("A", "k", "three", p));
  EXPECT_EQ(engine.last_error(), ERROR_ACCESS_DENIED);
  SetFileAttributesA(p, FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace qmon::platform::win32
