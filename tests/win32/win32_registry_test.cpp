#include "platform/win32/win32_registry.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace qmon::platform::win32 {
namespace {

// Keys go to the 32-bit view, where a 32-bit agent keeps them; the handles
// and the answers are the system's own.
TEST(Win32RegistryTest, ValuesRoundTripInThe32BitViewOnly) {
  const std::string path = "Software\\qMonIniWriterTest" + std::to_string(GetCurrentProcessId());
  Win32Registry reg;
  Hkey key = 0;
  ASSERT_EQ(reg.CreateKey(kHkeyLocalMachine, path, &key), kErrorSuccess);
  const uint8_t text[] = "v\xe9";  // ANSI bytes and their NUL
  EXPECT_EQ(reg.SetValueEx(key, "Gone", kRegSz, text, 3), kErrorSuccess);
  EXPECT_EQ(reg.DeleteValue(key, "Gone"), kErrorSuccess);
  EXPECT_EQ(reg.SetValueEx(key, "Name", kRegSz, text, 3), kErrorSuccess);
  EXPECT_EQ(reg.CloseKey(key), kErrorSuccess);
  HKEY other = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &other),
            ERROR_FILE_NOT_FOUND);

  ASSERT_EQ(reg.OpenKeyEx(kHkeyLocalMachine, path, 0, kKeyRead, &key), kErrorSuccess);
  uint32_t type = 0, size = 2;
  uint8_t data[8] = {};
  EXPECT_EQ(reg.QueryValueEx(key, "Name", &type, data, &size), kErrorMoreData);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(reg.QueryValueEx(key, "name", &type, data, &(size = 8)), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_STREQ(reinterpret_cast<char*>(data), "v\xe9");
  EXPECT_EQ(reg.QueryValueEx(key, "Gone", &type, nullptr, &size), kErrorFileNotFound);
  EXPECT_EQ(reg.DeleteValue(key, "Name"), kErrorAccessDenied);  // opened for reading
  EXPECT_EQ(reg.CloseKey(key), kErrorSuccess);
  EXPECT_EQ(reg.OpenKeyEx(kHkeyLocalMachine, path + "\\C", 0, kKeyRead, &key), kErrorFileNotFound);
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_32KEY, 0);
}

}  // namespace
}  // namespace qmon::platform::win32
