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

TEST(ComponentRegistryTest, CreatesByProgIdWithoutRegardToCase) {
  ComponentRegistry registry;
  registry.Register("qWbPost.WebPost", MakerOf("web"));
  registry.Register("Other.Thing", MakerOf("other"));
  for (const char* progId : {"qWbPost.WebPost", "QWBPOST.WEBPOST", "qwbpost.webpost"}) {
    EXPECT_EQ(TagOf(registry, progId), "web") << progId;
  }
  EXPECT_EQ(TagOf(registry, "other.THING"), "other");
}

TEST(ComponentRegistryTest, MakesANewObjectEachTime) {
  ComponentRegistry registry;
  registry.Register("qWbPost.WebPost", MakerOf("web"));
  const auto first = registry.CreateObject("qWbPost.WebPost");
  const auto second = registry.CreateObject("qWbPost.WebPost");
  EXPECT_NE(first.get(), second.get());
}

TEST(ComponentRegistryTest, RaisesCantCreateObjectForWhatItCannotMake) {
  const std::string cantCreate = "429 ActiveX component can't create object";
  ComponentRegistry registry;
  registry.Register("qWbPost.WebPost", MakerOf("web"));
  registry.Register("Empty.Maker", [] { return std::unique_ptr<WebPostObject>(); });
  for (const char* progId : {"qWbPost.WebPos", "qWbPost.WebPost2", "", "Empty.Maker"}) {
    EXPECT_EQ(CreationError(registry, progId), cantCreate) << progId;
  }
  EXPECT_EQ(CreationError(ComponentRegistry(), "qWbPost.WebPost"), cantCreate);
}

TEST(ComponentRegistryTest, RegisteringAgainReplacesOnlyThatComponent) {
  ComponentRegistry registry;
  registry.Register("qWbPost.WebPost", MakerOf("first"));
  registry.Register("Other.Thing", MakerOf("other"));
  registry.Register("QWBPOST.webpost", MakerOf("second"));
  EXPECT_EQ(TagOf(registry, "qWbPost.WebPost"), "second");
  EXPECT_EQ(TagOf(registry, "Other.Thing"), "other");

  // A replacement that makes nothing takes the component away.
  registry.Register("qWbPost.WebPost", [] { return std::unique_ptr<WebPostObject>(); });
  EXPECT_EQ(CreationError(registry, "qWbPost.WebPost"),
            "429 ActiveX component can't create object");
}

}  // namespace
}  // namespace qmon::platform
