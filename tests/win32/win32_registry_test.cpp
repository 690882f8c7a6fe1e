#include "platform/win32/win32_registry.h"

#include <gtest/gtest.h>

#include "support.h"

namespace qmon::platform::win32 {
namespace {

bool KeyInView(const std::string& subkey, REGSAM view) {
  HKEY key = nullptr;
  const bool found =
      RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ | view, &key) == ERROR_SUCCESS;
  if (found) RegCloseKey(key);
  return found;
}

TEST(Win32RegistryTest, ValuesRoundTripInThe32BitViewOnly) {
  test::ScratchKey scratch;
  const std::string path = scratch.subkey + "\\A\\B";
  Win32Registry reg;
  Hkey key = 0;
  ASSERT_EQ(reg.CreateKey(kHkeyLocalMachine, path, &key), kErrorSuccess);
  EXPECT_TRUE(KeyInView(path, KEY_WOW64_32KEY));
  EXPECT_FALSE(KeyInView(scratch.subkey, KEY_WOW64_64KEY));
  const uint8_t text[] = "v\xe9";  // ANSI bytes and their NUL
  EXPECT_EQ(reg.SetValueEx(key, "Gone", kRegSz, text, 3), kErrorSuccess);
  EXPECT_EQ(reg.DeleteValue(key, "Gone"), kErrorSuccess);
  EXPECT_EQ(reg.SetValueEx(key, "Name", kRegSz, text, 3), kErrorSuccess);
  EXPECT_EQ(reg.CloseKey(key), kErrorSuccess);

  ASSERT_EQ(reg.OpenKeyEx(kHkeyLocalMachine, path, 0, kKeyRead, &key), kErrorSuccess);
  uint32_t type = 0, size = 0;
  EXPECT_EQ(reg.QueryValueEx(key, "Name", &type, nullptr, &size), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 3u);
  uint8_t data[8] = {};
  EXPECT_EQ(reg.QueryValueEx(key, "Name", &type, data, &(size = 2)), kErrorMoreData);
  EXPECT_EQ(reg.QueryValueEx(key, "name", &type, data, &(size = 8)), kErrorSuccess);
  EXPECT_STREQ(reinterpret_cast<char*>(data), "v\xe9");
  EXPECT_EQ(reg.QueryValueEx(key, "Gone", &type, nullptr, &size), kErrorFileNotFound);
  // The handle is the system's own; opened for reading, it takes no change.
  EXPECT_EQ(
      RegQueryValueExA(reinterpret_cast<HKEY>(key), "Name", nullptr, nullptr, nullptr, nullptr),
      ERROR_SUCCESS);
  EXPECT_EQ(reg.DeleteValue(key, "Name"), kErrorAccessDenied);
  EXPECT_EQ(reg.CloseKey(key), kErrorSuccess);
  EXPECT_EQ(reg.OpenKeyEx(kHkeyLocalMachine, path + "\\C", 0, kKeyRead, &key), kErrorFileNotFound);
}

}  // namespace
}  // namespace qmon::platform::win32
