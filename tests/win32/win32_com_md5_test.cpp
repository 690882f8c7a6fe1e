#include <gtest/gtest.h>

#include <tuple>

#include "platform/md5_digest.h"
#include "platform/win32/com_error.h"
#include "platform/win32/com_web_post.h"
#include "platform/win32/win32_platform.h"
#include "support.h"

namespace qmon::platform::win32 {
namespace {

std::string Hex(const std::optional<Md5Bytes>& md) {
  std::string hex;
  for (const uint8_t b : md.value())
    hex += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
  return hex;
}

TEST(Md5DigestTest, KnownVectorsInAnyBlockSize) {
  const std::tuple<std::string, size_t, const char*> cases[] = {
      {"", 64, "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", 64, "900150983cd24fb0d6963f7d28e17f72"},
      {"abc", 1, "900150983cd24fb0d6963f7d28e17f72"},
      {std::string(1000000, 'a'), 4096, "7707d6ae4e027c70eea2a935c2296f21"}};
  for (const auto& [bytes, block, digest] : cases) EXPECT_EQ(Hex(Md5Digest(bytes, block)), digest);
}

TEST(ComErrorTest, HresultsMapAsTheRuntimeRaisesThem) {
  const std::tuple<uint32_t, ComStep, int32_t, const char*> cases[] = {
      {0x80040154, ComStep::kCreate, 429, "ActiveX component can't create object"},
      {0x80040154, ComStep::kCall, -2147221164, "Automation error"},
      {0x8007007E, ComStep::kCreate, 429, "ActiveX component can't create object"},
      {0x8002801D, ComStep::kCreate, -2147319779, "Library not registered."},
      {0x800A0035, ComStep::kCall, 53, "File not found"},
  };
  for (const auto& [hr, step, number, description] : cases) {
    const VbError e = VbErrorFromHresult(static_cast<int32_t>(hr), step);
    EXPECT_EQ(e.number, number) << std::hex << hr;
    EXPECT_EQ(e.description, description) << std::hex << hr;
  }
}

TEST(ComWebPostTest, CreateObjectAndLateBoundCallsRaiseTheRuntimesErrors) {
  Win32Platform platform;
  ComponentRegistry& components = *platform.env().components;
  RegisterComComponent(components, "qMonIniWriter.NoSuchClass");
  EXPECT_EQ(test::RaisedBy([&] { components.CreateObject("qMonIniWriter.NoSuchClass"); }), 429);
  RegisterComComponent(components, "Scripting.Dictionary");
  auto object = components.CreateObject("scripting.dictionary");
  std::string xml = "<a/>", url = "http://x/", response, e1, e2, e3;
  EXPECT_EQ(
      test::RaisedBy([&] { object->PostXMLString(xml, false, url, "", "", response, e1, e2, e3); }),
      438);
}

}  // namespace
}  // namespace qmon::platform::win32
