// Selection, attributes, and Nothing used as an object.
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

TEST_F(DomSelectTest, PathsFromTheRoot) {
  const Node wp = Root(kWp);
  EXPECT_TRUE(wp.selectSingleNode("step/osdrv").isNothing());
  EXPECT_EQ(wp.selectSingleNode("si/step/osdrv").text(), "C");
  EXPECT_EQ(Texts(wp.selectNodes("si/step/osdrv")), "CDE");
  EXPECT_EQ(Texts(wp.selectNodes("si/Step/osdrv")), "F");
  EXPECT_EQ(wp.selectSingleNode("/wp/si").text(), "CD");
}

TEST_F(DomSelectTest, PathsFromAnInnerNode) {
  const Node second = Root(kWp).selectNodes("si").item(1);
  EXPECT_EQ(second.selectSingleNode("step/osdrv").text(), "E");
  EXPECT_EQ(Texts(second.selectNodes("/wp/si/step/osdrv")), "CDE");
  EXPECT_EQ(second.selectSingleNode("/").nodeName(), "#document");
  EXPECT_TRUE(second.selectSingleNode("si").isNothing());
}

TEST_F(DomSelectTest, PathsFromTheDocument) {
  ASSERT_TRUE(Load(kWp));
  EXPECT_EQ(doc_.selectSingleNode("wp/si").text(), "CD");
  EXPECT_TRUE(doc_.selectSingleNode("si").isNothing());
  EXPECT_TRUE(doc_.selectSingleNode("WP/si").isNothing());
  EXPECT_EQ(doc_.selectNodes("/wp/si").length(), 2);
}

TEST_F(DomSelectTest, NoMatchIsAnEmptyList) {
  const NodeList none = Root(kWp).selectNodes("zz");
  EXPECT_EQ(none.length(), 0);
  EXPECT_TRUE(none.item(0).isNothing());
}

TEST_F(DomSelectTest, OnlyPlainPathsAreQueries) {
  const Node wp = Root(kWp);
  for (const char* query : {"", "si/", "//si", "si//step", "*", "si[0]", "@a", ".", "si/ step"}) {
    try {
      wp.selectNodes(query);
      ADD_FAILURE() << "accepted " << query;
    } catch (const VbError& e) {
      EXPECT_EQ(e.number, vberr::kInvalidCall) << query;
    }
  }
}

TEST_F(DomSelectTest, Attributes) {
  const Node r = Root("<r FunctionID='5' p:x='1' xmlns:p='u'><c/>t</r>");
  const NamedNodeMap attrs = r.attributes();
  ASSERT_EQ(attrs.length(), 3);
  EXPECT_EQ(attrs.item(2).nodeName(), "xmlns:p");
  EXPECT_TRUE(attrs.item(3).isNothing());
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
}

TEST_F(DomSelectTest, EmptyAttributeHasNoChildren) {
  const Node a = Root("<r a=''/>").attributes().getNamedItem("a");
  EXPECT_FALSE(a.hasChildNodes());
  EXPECT_EQ(a.childNodes().length(), 0);
}

TEST_F(DomSelectTest, NothingUsedAsAnObjectRaises91) {
  const Node r = Root("<r><!--c--><e a='1'/></r>");
  const Node none = r.selectSingleNode("missing");
  const NamedNodeMap comment_attrs = r.childNodes().item(0).attributes();
  const std::function<void()> uses[] = {
      [&] { none.text(); },
      [&] { none.xml(); },
      [&] { none.nodeName(); },
      [&] { none.hasChildNodes(); },
      [&] { none.childNodes(); },
      [&] { none.attributes(); },
      [&] { none.selectSingleNode("a"); },
      [&] { none.selectNodes("a"); },
      [&] { comment_attrs.getNamedItem("FunctionID"); },
      [&] { comment_attrs.length(); },
      [&] { r.childNodes().item(1).attributes().getNamedItem("b").text(); },
      [&] { r.childNodes().item(5).text(); },
  };
  for (size_t i = 0; i < std::size(uses); ++i) {
    try {
      uses[i]();
      ADD_FAILURE() << "use " << i << " did not raise";
    } catch (const VbError& e) {
      EXPECT_EQ(e.number, 91) << "use " << i;
      EXPECT_EQ(e.description, "Object variable or With block variable not set");
    }
  }
}

// A master template of many functions, walked the way the conversion walks it.
TEST_F(DomSelectTest, LargeTemplate) {
  constexpr int kFunctions = 5000;
  std::string xml = "<dcmgetmontemp> <templateid>0</templateid> <templatever>0</templatever>";
  for (int i = 0; i < kFunctions; ++i) {
    const std::string n = std::to_string(i);
    xml += " <dcm scriptid='" + n + "' FunctionID='1' exclsp='1,2,4,9,10' fncname='f" + n +
           "'>  <step><osdrv thval='" + n +
           "'>C</osdrv><othdrv drv='ALL' thval='1'>x</othdrv>"
           "</step> </dcm>";
  }
  xml += " </dcmgetmontemp>";
  ASSERT_TRUE(Load(xml));
  const int32_t last = doc_.selectSingleNode("dcmgetmontemp").childNodes().length() - 1;
  ASSERT_EQ(last, kFunctions + 1);
  for (int32_t i = 2; i <= last; ++i) {
    const Node function = doc_.selectSingleNode("dcmgetmontemp").childNodes().item(i);
    const std::string n = std::to_string(i - 2);
    ASSERT_EQ(function.attributes().getNamedItem("scriptid").text(), n);
    ASSERT_EQ(function.selectSingleNode("step/osdrv").attributes().getNamedItem("thval").text(), n);
    ASSERT_EQ(function.xml(), "<dcm scriptid=\"" + n +
                                  "\" FunctionID=\"1\" exclsp=\"1,2,4,9,10\" fncname=\"f" + n +
                                  "\"><step><osdrv thval=\"" + n +
                                  "\">C</osdrv><othdrv drv=\"ALL\" thval=\"1\">x</othdrv>"
                                  "</step></dcm>");
  }
}

}  // namespace
}  // namespace qmon::platform::xml
