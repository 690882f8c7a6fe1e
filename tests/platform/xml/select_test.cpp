// Selection, attributes, and Nothing used as an object.
#include <gmock/gmock.h>

#include <functional>
#include <string>

#include "platform/vb_error.h"
#include "platform/xml/dom.h"
#include "platform/xml/dom_fixture.h"

namespace qmon::platform::xml {
namespace {

constexpr const char* kWp =
    "<wp><si><step><osdrv>C</osdrv></step><step><osdrv>D</osdrv></step></si>"
    "<si><step><osdrv>E</osdrv></step><Step><osdrv>F</osdrv></Step></si></wp>";

std::string Texts(const NodeList& list) {
  std::string out;
  for (int32_t i = 0; i < list.length(); ++i) out += list.item(i).text();
  return out;
}

class DomSelectTest : public DomTest {};

TEST_F(DomSelectTest, RelativeAbsoluteAndNoMatch) {
  const Node wp = Root(kWp);
  EXPECT_TRUE(wp.selectSingleNode("step/osdrv").isNothing());
  EXPECT_EQ(wp.selectSingleNode("si/step/osdrv").text(), "C");
  EXPECT_EQ(Texts(wp.selectNodes("si/step/osdrv")), "CDE");
  EXPECT_EQ(Texts(wp.selectNodes("si/Step/osdrv")), "F");
  const Node second = wp.selectNodes("si").item(1);
  EXPECT_EQ(second.selectSingleNode("step/osdrv").text(), "E");
  EXPECT_EQ(Texts(second.selectNodes("/wp/si/step/osdrv")), "CDE");
  EXPECT_EQ(second.selectSingleNode("/").nodeName(), "#document");
  EXPECT_EQ(doc_.selectSingleNode("wp/si").text(), "CD");
  EXPECT_TRUE(doc_.selectSingleNode("si").isNothing());
  EXPECT_TRUE(doc_.selectSingleNode("WP/si").isNothing());
  const NodeList none = wp.selectNodes("zz");
  EXPECT_EQ(none.length(), 0);
  EXPECT_TRUE(none.item(0).isNothing());
}

TEST_F(DomSelectTest, OnlyPlainPathsAreQueries) {
  const Node wp = Root(kWp);
  for (const char* query : {"", "si/", "//si", "si//step", "*", "si[0]", "@a", ".", "si/ step"}) {
    EXPECT_THAT([&] { wp.selectNodes(query); },
                ::testing::Throws<VbError>(::testing::Field(&VbError::number, vberr::kInvalidCall)))
        << query;
  }
}

TEST_F(DomSelectTest, Attributes) {
  const Node r = Root("<r FunctionID='5' p:x='1' xmlns:p='u' e=''><c/>t</r>");
  const NamedNodeMap attrs = r.attributes();
  ASSERT_EQ(attrs.length(), 4);
  EXPECT_EQ(attrs.item(2).nodeName(), "xmlns:p");
  EXPECT_TRUE(attrs.item(4).isNothing());
  EXPECT_EQ(attrs.getNamedItem("FunctionID").text(), "5");
  EXPECT_TRUE(attrs.getNamedItem("functionid").isNothing());
  EXPECT_EQ(attrs.getNamedItem("p:x").text(), "1");
  EXPECT_TRUE(attrs.getNamedItem("x").isNothing());
  // An attribute's value is its one text child.
  EXPECT_TRUE(attrs.getNamedItem("FunctionID").hasChildNodes());
  EXPECT_EQ(attrs.getNamedItem("FunctionID").childNodes().item(0).nodeName(), "#text");
  // Only elements have attributes.
  EXPECT_FALSE(r.childNodes().item(0).attributes().isNothing());
  EXPECT_TRUE(r.childNodes().item(1).attributes().isNothing());
  EXPECT_FALSE(attrs.getNamedItem("e").hasChildNodes());
}

TEST_F(DomSelectTest, NothingUsedAsAnObjectRaises91) {
  const Node r = Root("<r><!--c--></r>");
  const Node none = r.selectSingleNode("missing");
  const NamedNodeMap comment_attrs = r.childNodes().item(0).attributes();
  const std::function<void()> uses[] = {
      [&] { none.text(); },
      [&] { none.xml(); },
      [&] { none.nodeName(); },
      [&] { none.hasChildNodes(); },
      [&] { none.childNodes(); },
      [&] { none.attributes(); },
      [&] { none.selectNodes("a"); },
      [&] { none.selectSingleNode("a"); },
      [&] { comment_attrs.length(); },
      [&] { comment_attrs.getNamedItem("FunctionID"); },
  };
  const auto not_set = ::testing::Throws<VbError>(::testing::AllOf(
      ::testing::Field(&VbError::number, 91),
      ::testing::Field(&VbError::description, "Object variable or With block variable not set")));
  for (size_t i = 0; i < std::size(uses); ++i) EXPECT_THAT(uses[i], not_set) << "use " << i;
}

}  // namespace
}  // namespace qmon::platform::xml
