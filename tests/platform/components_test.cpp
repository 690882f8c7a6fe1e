#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/env.h"
#include "platform/vb_error.h"

namespace qmon::platform {
namespace {

// An object that tells which factory made it.
class TaggedObject final : public WebPostObject {
 public:
  explicit TaggedObject(std::string tag) : tag(std::move(tag)) {}
  bool PostXMLString(std::string&, bool, std::string&, std::string, std::string, std::string&,
                     std::string&, std::string&, std::string&) override {
    return false;
  }
  const std::string tag;
};

ComponentRegistry::Factory MakerOf(const std::string& tag) {
  return [tag] { return std::make_unique<TaggedObject>(tag); };
}

std::string TagOf(const ComponentRegistry& registry, const std::string& progId) {
  const auto object = registry.CreateObject(progId);
  const auto* tagged = dynamic_cast<const TaggedObject*>(object.get());
  return tagged != nullptr ? tagged->tag : "(none)";
}

// The error number and text CreateObject raised, or "no error".
std::string CreationError(const ComponentRegistry& registry, const std::string& progId) {
  try {
    registry.CreateObject(progId);
  } catch (const VbError& e) {
    return std::to_string(e.number) + " " + e.description;
  }
  return "no error";
}

TEST(ComponentRegistryTest, CreatesANewObjectByProgIdWithoutRegardToCase) {
  ComponentRegistry registry;
  registry.Register("qWbPost.WebPost", MakerOf("web"));
  registry.Register("Other.Thing", MakerOf("other"));
  EXPECT_EQ(TagOf(registry, "QWBPOST.webpost"), "web");
  EXPECT_EQ(TagOf(registry, "other.THING"), "other");
  EXPECT_NE(registry.CreateObject("qWbPost.WebPost"), registry.CreateObject("qWbPost.WebPost"));
  // Registering again replaces only that component.
  registry.Register("QWBPOST.webpost", MakerOf("second"));
  EXPECT_EQ(TagOf(registry, "qWbPost.WebPost"), "second");
  EXPECT_EQ(TagOf(registry, "Other.Thing"), "other");
}

TEST(ComponentRegistryTest, RaisesCantCreateObjectForWhatItCannotMake) {
  const std::string cantCreate = "429 ActiveX component can't create object";
  ComponentRegistry registry;
  registry.Register("qWbPost.WebPost", MakerOf("web"));
  registry.Register("Empty.Maker", [] { return std::unique_ptr<WebPostObject>(); });
  for (const char* progId : {"qWbPost.WebPos", "", "Empty.Maker"}) {
    EXPECT_EQ(CreationError(registry, progId), cantCreate) << progId;
  }
  // A replacement that makes nothing takes the component away.
  registry.Register("qWbPost.WebPost", [] { return std::unique_ptr<WebPostObject>(); });
  EXPECT_EQ(CreationError(registry, "qWbPost.WebPost"), cantCreate);
}

}  // namespace
}  // namespace qmon::platform
