// Whitespace dropped at load, what childNodes counts, and the text property.
#include <string>

#include "platform/xml/dom.h"
#include "platform/xml/dom_fixture.h"

namespace qmon::platform::xml {
namespace {

struct TextCase {
  const char* xml;
  const char* text;  // of the root element
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.xml; }

const TextCase kTextCases[] = {
    // Pieces are joined as they stand; comments and PIs add nothing.
    {"<r a='n'><x>one</x><![CDATA[two]]><!--c--><?p d?>3</r>", "onetwo3"},
    {"<a>&#65;&#66; &#67; </a>", "AB C"},
    {"<a> T &#65; e </a>", "T A e"},
    // Inner whitespace stays as it is; only the edges are trimmed.
    {"<s>  a  b  </s>", "a  b"},
    {"<a>foo\r\n\r\nbar</a>", "foo\n\nbar"},
    {"<r><x> a </x><y> b </y></r>", "a  b"},
    {"<r>\xC2\xA0x\xC2\xA0</r>", "\xC2\xA0x\xC2\xA0"},
    // One blank where whitespace was dropped, only once something was output.
    {"<r>\n<![CDATA[cd\n]]>\n<!--c-->\n<e/>\n<f>txt\n</f>\nmore\n</r>", "cd\n txt\n\nmore"},
    {"<r>t<x/> <y/>u</r>", "t u"},
    {"<r><x>a</x><y>b</y></r>", "ab"},
    {"<r><a><b>x</b>&#10;<c>y</c></a></r>", "x y"},
    // Trimming never cuts into CDATA.
    {"<r><![CDATA[]]> This is<b> a</b>  <i>word</i><d>. </d></r>", " This is a word."},
    {"<r><![CDATA[  a  ]]></r>", "  a  "},
    {"<r><x>a</x> <![CDATA[]]></r>", "a "},
    {"<r> x <![CDATA[y]]> z </r>", "x y z"},
};

class DomTextTest : public DomTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(DomTextTest, OfElement) { EXPECT_EQ(Root(GetParam().xml).text(), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(Examples, DomTextTest, ::testing::ValuesIn(kTextCases));

TEST_F(DomTextTest, OfOtherNodes) {
  const Node r = Root("<r a='  x  '>  a  <![CDATA[  c  ]]><!--  k  --><?p  d  ?></r>");
  const NodeList kids = r.childNodes();
  EXPECT_EQ(kids.item(0).text(), "a");
  EXPECT_EQ(kids.item(1).text(), "  c  ");
  EXPECT_EQ(kids.item(2).text(), "  k  ");
  EXPECT_EQ(kids.item(3).text(), "d  ");
  EXPECT_EQ(r.attributes().getNamedItem("a").text(), "  x  ");
}

struct ChildrenCase {
  const char* xml;
  const char* names;  // nodeName of each child of the root, joined by ","
};

void PrintTo(const ChildrenCase& c, std::ostream* os) { *os << c.xml; }

std::string Names(const NodeList& nodes) {
  std::string names;
  for (int32_t i = 0; i < nodes.length(); ++i) names += (i ? "," : "") + nodes.item(i).nodeName();
  return names;
}

const ChildrenCase kChildrenCases[] = {
    {"<r><![CDATA[c]]><!--k--><e/>txt</r>", "#cdata-section,#comment,e,#text"},
    {"<r> </r>", ""},
    {"<r> <![CDATA[ ]]> </r>", "#cdata-section"},
    {"<r> a </r>", "#text"},
    {"<r>\n  <?pi x?>\n  <!--c-->\n  <a/>\n</r>", "pi,#comment,a"},
    {"<dcmgetmontemp> <templateid>0</templateid> <templatever>0</templatever>"
     "<!-- k --> <dcm FunctionID='1'/> </dcmgetmontemp>",
     "templateid,templatever,#comment,dcm"},
};

class DomChildrenTest : public DomTest, public ::testing::WithParamInterface<ChildrenCase> {};

TEST_P(DomChildrenTest, CountsWhatTheDomKeeps) {
  const Node root = Root(GetParam().xml);
  EXPECT_EQ(Names(root.childNodes()), GetParam().names);
  EXPECT_EQ(root.hasChildNodes(), root.childNodes().length() > 0);
}

INSTANTIATE_TEST_SUITE_P(Examples, DomChildrenTest, ::testing::ValuesIn(kChildrenCases));

TEST_F(DomChildrenTest, DocumentChildren) {
  ASSERT_TRUE(
      Load("<?xml version='1.0' encoding=\"windows-1252\" ?>\r\n<!DOCTYPE r>\r\n"
           "<!--top--><r/>\r\n<?after x?>\r\n"));
  const NodeList kids = doc_.childNodes();
  EXPECT_EQ(Names(kids), "xml,r,#comment,r,after");  // the first r is the DOCTYPE
  EXPECT_EQ(kids.item(0).text(), "version=\"1.0\" encoding=\"windows-1252\"");
  EXPECT_EQ(kids.item(0).xml(), "<?xml version=\"1.0\" encoding=\"windows-1252\"?>");
  EXPECT_TRUE(kids.item(5).isNothing());
  EXPECT_TRUE(kids.item(-1).isNothing());
}

}  // namespace
}  // namespace qmon::platform::xml
