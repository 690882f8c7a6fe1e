// The DOM as the callers see it: what loads, and what text, xml, childNodes,
// attributes and the selections answer.
#include "platform/xml/dom.h"

#include <gmock/gmock.h>

#include <functional>
#include <string>

#include "platform/case_file.h"
#include "platform/vb_error.h"
#include "support/machine.h"

namespace qmon::platform::xml {
namespace {

using ::testing::Field;
using ::testing::Throws;

class DomTest : public ::testing::Test {
 protected:
  bool Load(const std::string& bytes) {
    machine_.Put("C:\\t.xml", bytes);
    return doc_.load(machine_.fs, "C:\\t.xml");
  }
  Node Root(const std::string& bytes) {
    EXPECT_TRUE(Load(bytes)) << bytes;
    return doc_.childNodes().item(0);
  }
  // Names with ',' between, or texts with '|' between.
  template <class List>
  static std::string Joined(const List& nodes, bool names) {
    std::string out;
    for (int32_t i = 0; i < nodes.length(); ++i) {
      out += (i ? names ? "," : "|" : "") +
             (names ? nodes.item(i).nodeName() : nodes.item(i).text());
    }
    return out;
  }

  test::TestMachine machine_;
  DOMDocument doc_;
};

TEST_F(DomTest, LoadsOnlyWhatIsWellFormed) {
  for (const auto& c : test::LoadCases("xml_load")) {
    const bool loaded = Load(c[1]);
    EXPECT_EQ(loaded, c.fields[2].has_value()) << c.where << " " << c[0];
    EXPECT_EQ(doc_.hasChildNodes(), loaded) << c.where;
    if (loaded) {
      EXPECT_EQ(doc_.selectSingleNode("/r").text(), c[2]) << c.where;
    }
  }
}

TEST_F(DomTest, TextXmlAndChildrenOfTheRootElement) {
  for (const auto& c : test::LoadCases("xml_element")) {
    const Node root = Root(c[1]);
    const std::string op = c[0].substr(0, c[0].find(' '));
    const std::string arg = op.size() < c[0].size() ? c[0].substr(op.size() + 1) : "";
    std::string got;
    try {
      got = op == "text"   ? root.text()
            : op == "xml"  ? root.xml()
            : op == "children" ? Joined(root.childNodes(), true)
            : op == "select" ? Joined(root.selectNodes(arg), false)
            : op == "texts" ? Joined(root.childNodes(), false)
            : op == "attrs"  ? Joined(root.attributes(), true)
            : op == "document" ? Joined(doc_.childNodes(), true)
                             : "<nothing>";
      const Node attr = op == "attr" ? root.attributes().getNamedItem(arg)
                        : op == "item" ? doc_.childNodes().item(std::stoi(arg))
                                       : Node();
      if (!attr.isNothing()) {
        got = attr.text() + " " + Joined(attr.childNodes(), true) + " " + attr.xml();
      }
    } catch (const VbError& e) {
      got = "error " + std::to_string(e.number);
    }
    EXPECT_EQ(got, c[2]) << c.where;
    EXPECT_EQ(root.hasChildNodes(), root.childNodes().length() > 0) << c.where;
  }
}

TEST_F(DomTest, FailedLoadDiscardsEarlierContent) {
  ASSERT_TRUE(Load("<r><a>t</a></r>"));
  const Node earlier = doc_.selectSingleNode("r/a");
  EXPECT_FALSE(Load("<r><a>t</a>"));
  EXPECT_EQ(doc_.childNodes().length(), 0);
  EXPECT_TRUE(doc_.selectSingleNode("r").isNothing());
  EXPECT_EQ(earlier.text(), "t");  // a node taken before keeps its own document
  ASSERT_TRUE(Load("<r/>"));
  EXPECT_FALSE(doc_.load(machine_.fs, "C:\\nothere.xml"));
  EXPECT_FALSE(doc_.hasChildNodes());
}

TEST_F(DomTest, NothingUsedAsAnObjectRaises91) {
  const Node r = Root("<r><!--c--></r>");
  const Node none = r.selectSingleNode("missing");
  const NamedNodeMap comment_attrs = r.childNodes().item(0).attributes();
  const std::function<void()> uses[] = {
      [&] { none.text(); },          [&] { none.xml(); },
      [&] { none.nodeName(); },      [&] { none.hasChildNodes(); },
      [&] { none.childNodes(); },    [&] { none.attributes(); },
      [&] { none.selectNodes("a"); }, [&] { none.selectSingleNode("a"); },
      [&] { comment_attrs.length(); }, [&] { comment_attrs.getNamedItem("FunctionID"); },
      [&] { r.attributes().item(0).text(); },
  };
  const auto not_set = Throws<VbError>(::testing::AllOf(
      Field(&VbError::number, 91),
      Field(&VbError::description, "Object variable or With block variable not set")));
  for (size_t i = 0; i < std::size(uses); ++i) EXPECT_THAT(uses[i], not_set) << "use " << i;
}

// Loading, text and xml walk the tree without recursion: deep nesting from a
// server answer must not exhaust the stack.
TEST_F(DomTest, DeepNesting) {
  constexpr int kDepth = 200000;
  std::string xml;
  for (int i = 0; i < kDepth; ++i) xml += "<r>";
  xml += "x";
  for (int i = 0; i < kDepth; ++i) xml += "</r>";
  const Node r = Root(xml);
  EXPECT_EQ(r.text(), "x");
  EXPECT_EQ(r.xml(), xml);
}

}  // namespace
}  // namespace qmon::platform::xml
