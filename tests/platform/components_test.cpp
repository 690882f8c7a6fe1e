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

// The tag of the object made, or the error number and text raised.
std::string Made(const ComponentRegistry& registry, const std::string& progId) {
  try {
    const auto object = registry.CreateObject(progId);
    const auto* tagged = dynamic_cast<const TaggedObject*>(object.get());
    return tagged != nullptr ? tagged->tag : "(none)";
  } catch (const VbError& e) {
    return std::to_string(e.number) + " " + e.description;
  }
}

TEST(ComponentRegistryTest, CreatesByProgIdWithoutRegardToCaseOrRaisesCantCreate) {
  const std::string cantCreate = "429 ActiveX component can't create object";
  ComponentRegistry registry;
  registry.Register("qWbPost.WebPost", MakerOf("web"));
  registry.Register("Other.Thing", MakerOf("other"));
  registry.Register("Empty.Maker", [] { return std::unique_ptr<WebPostObject>(); });
  EXPECT_EQ(Made(registry, "QWBPOST.webpost"), "web");
  EXPECT_EQ(Made(registry, "other.THING"), "other");
  EXPECT_NE(registry.CreateObject("qWbPost.WebPost"), registry.CreateObject("qWbPost.WebPost"));
  for (const char* progId : {"qWbPost.WebPos", "", "Empty.Maker"}) {
    EXPECT_EQ(Made(registry, progId), cantCreate) << progId;
  }
  // Registering again replaces only that component; a maker of nothing takes it away.
  registry.Register("QWBPOST.webpost", MakerOf("second"));
  EXPECT_EQ(Made(registry, "qWbPost.WebPost"), "second");
  EXPECT_EQ(Made(registry, "Other.Thing"), "other");
  registry.Register("qWbPost.WebPost", [] { return std::unique_ptr<WebPostObject>(); });
  EXPECT_EQ(Made(registry, "qWbPost.WebPost"), cantCreate);
}

}  // namespace
}  // namespace qmon::platform
