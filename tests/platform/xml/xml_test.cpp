// The xml property.
#include <string>

#include "platform/xml/dom.h"
#include "platform/xml/dom_fixture.h"

namespace qmon::platform::xml {
namespace {

struct XmlCase {
  const char* source;
  const char* xml;  // of the root element
};

void PrintTo(const XmlCase& c, std::ostream* os) { *os << c.source; }

const XmlCase kXmlCases[] = {
    // Attributes in source order, always in double quotes.
    {"<r b='2' a=\"1\"/>", "<r b=\"2\" a=\"1\"/>"},
    {"<r a='&amp;&lt;&gt;&quot;&apos;'/>", "<r a=\"&amp;&lt;&gt;&quot;'\"/>"},
    {"<r a='x&#9;y&#10;z'/>", "<r a=\"x\ty\nz\"/>"},
    {"<r xmlns:p='u' p:a='1'><p:c/></r>", "<r xmlns:p=\"u\" p:a=\"1\"><p:c/></r>"},
    // Text: & < > escaped, quotes kept, line feeds stay line feeds.
    {"<r>a &gt; b ]]&gt; &lt; &amp; \" '</r>", "<r>a &gt; b ]]&gt; &lt; &amp; \" '</r>"},
    {"<a>x\r\ny</a>", "<a>x\ny</a>"},
    // Empty elements.
    {"<b></b>", "<b/>"},
    {"<b> </b>", "<b/>"},
    // CDATA, comments and PIs as they are.
    {"<r><![CDATA[x<y&z]]><!--c--><?t d?><?u?></r>",
     "<r><![CDATA[x<y&z]]><!--c--><?t d?><?u?></r>"},
    // Characters, never references.
    {"<r a='&#233;'>&#xE9;\xC3\xA9&#x1F600;</r>",
     "<r a=\"\xC3\xA9\">\xC3\xA9\xC3\xA9\xF0\x9F\x98\x80</r>"},
    // No indentation added where whitespace was dropped; the text's own stays.
    {"<note> <to>T</to> \n<from>J</from> <o>\n   <i>V</i></o> </note>",
     "<note><to>T</to><from>J</from><o><i>V</i></o></note>"},
    {"<root>\n<t>\n  <e/>\n</t>\nA B  C\tD\n</root>", "<root><t><e/></t>\nA B  C\tD\n</root>"},
};

class DomXmlTest : public DomTest, public ::testing::WithParamInterface<XmlCase> {};

TEST_P(DomXmlTest, OfElement) { EXPECT_EQ(Root(GetParam().source).xml(), GetParam().xml); }

INSTANTIATE_TEST_SUITE_P(Examples, DomXmlTest, ::testing::ValuesIn(kXmlCases));

TEST_F(DomXmlTest, OfInnerNodes) {
  const Node r = Root("<r a='x&amp;y'><s>1<t/></s> t&lt; <![CDATA[c]]><!--k--></r>");
  EXPECT_EQ(r.childNodes().item(0).xml(), "<s>1<t/></s>");
  EXPECT_EQ(r.childNodes().item(1).xml(), " t&lt; ");
  EXPECT_EQ(r.childNodes().item(2).xml(), "<![CDATA[c]]>");
  EXPECT_EQ(r.childNodes().item(3).xml(), "<!--k-->");
  EXPECT_EQ(r.attributes().getNamedItem("a").xml(), "a=\"x&amp;y\"");
}

// Loading, text and xml walk the tree without recursion: deep nesting from a
// server answer must not exhaust the stack.
TEST_F(DomXmlTest, DeepNesting) {
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
