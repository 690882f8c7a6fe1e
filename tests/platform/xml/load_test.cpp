// What loads and what does not: well-formedness, the prolog, references and
// encodings.
#include <optional>
#include <ostream>
#include <string>

#include "platform/xml/dom.h"
#include "platform/xml/dom_fixture.h"

namespace qmon::platform::xml {
namespace {

struct LoadCase {
  const char* what;
  std::string bytes;
  std::optional<std::string> root_text;  // nullopt: the load fails
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.what; }

// UTF-16 with its byte order mark.
std::string Utf16(std::u16string_view text, bool big_endian = false) {
  std::string out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t c : text) {
    const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
    out += big_endian ? high : low;
    out += big_endian ? low : high;
  }
  return out;
}

const LoadCase kLoadCases[] = {
    // Well-formedness.
    {"empty file", "", std::nullopt},
    {"unclosed", "<r><a></r>", std::nullopt},
    {"mismatched", "<r></R>", std::nullopt},
    {"two roots", "<r/><s/>", std::nullopt},
    {"misc after the root", "<r>t</r>\r\n<!--c--><?p x?>\r\n", "t"},
    {"duplicate attribute", "<r a='1' a='2'/>", std::nullopt},
    {"unquoted attribute", "<r a=1/>", std::nullopt},
    {"< in an attribute", "<r a='x<y'/>", std::nullopt},
    {"]]> in text", "<r>a ]]> b</r>", std::nullopt},
    {"> in text", "<r>a > b</r>", "a > b"},
    {"-- in a comment", "<r><!-- a -- b --></r>", std::nullopt},
    {"name starting with a digit", "<1r/>", std::nullopt},
    {"undeclared element prefix", "<p:r/>", std::nullopt},
    {"declared and xml prefixes", "<r xmlns:p='u' xml:lang='en'><p:c p:a='1'>t</p:c></r>", "t"},
    {"PI named XML", "<r><?XML x?></r>", std::nullopt},
    {"control character", "<r>a\x01z</r>", std::nullopt},
    // References.
    {"predefined entities", "<r>&lt;&gt;&amp;&apos;&quot;</r>", "<>&'\""},
    {"character references", "<r>&#65;&#x42;&#x1F600;</r>", "AB\xF0\x9F\x98\x80"},
    {"undeclared entity", "<r>&nbsp;</r>", std::nullopt},
    {"bare ampersand in an attribute", "<r a='a&b'/>", std::nullopt},
    {"reference to a surrogate", "<r>&#xD800;</r>", std::nullopt},
    {"uppercase X in a reference", "<r>&#X41;</r>", std::nullopt},
    {"entity from the DOCTYPE (ignored)", "<!DOCTYPE r [<!ENTITY e 'x'>]><r>&e;</r>", std::nullopt},
    // Prolog.
    {"declaration, single quotes, blanks", "<?xml version='1.0'  standalone='yes' ?><r>t</r>", "t"},
    {"version 1.1", "<?xml version=\"1.1\"?><r>t</r>", "t"},
    {"version 2.0", "<?xml version=\"2.0\"?><r>t</r>", std::nullopt},
    {"no version", "<?xml encoding=\"UTF-8\"?><r/>", std::nullopt},
    {"blank before the declaration", " <?xml version=\"1.0\"?><r/>", std::nullopt},
    {"declaration inside the root", "<r><?xml version=\"1.0\"?></r>", std::nullopt},
    {"DOCTYPE naming a missing DTD", "<!DOCTYPE r SYSTEM \"nothere.dtd\"><r>t</r>", "t"},
    {"DOCTYPE after the root", "<r>t</r><!DOCTYPE r>", std::nullopt},
    // Encodings.
    {"ANSI byte without a declaration", "<r>caf\xE9</r>", std::nullopt},
    {"overlong UTF-8", "<r>\xC0\xAF</r>", std::nullopt},
    {"windows-1252, name in any case",
     "<?xml version=\"1.0\" encoding=\"Windows-1252\"?><r>caf\xE9 \x80</r>",
     "caf\xC3\xA9 \xE2\x82\xAC"},
    {"ISO-8859-1 keeps 80-9F as C1 controls",
     "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xE9\x80</r>", "\xC3\xA9\xC2\x80"},
    {"US-ASCII", "<?xml version=\"1.0\" encoding=\"us-ascii\"?><r>cafe</r>", "cafe"},
    {"US-ASCII with a high byte", "<?xml version=\"1.0\" encoding=\"us-ascii\"?><r>\xE9</r>",
     std::nullopt},
    {"unknown encoding", "<?xml version=\"1.0\" encoding=\"bogus-42\"?><r/>", std::nullopt},
    {"UTF-16 declared without a BOM", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>",
     std::nullopt},
    {"UTF-8 BOM", "\xEF\xBB\xBF<r>caf\xC3\xA9</r>", "caf\xC3\xA9"},
    {"UTF-8 BOM contradicting the declaration",
     "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>t</r>", std::nullopt},
    {"UTF-16LE BOM", Utf16(u"<r>caf\u00E9</r>"), "caf\xC3\xA9"},
    {"UTF-16BE BOM", Utf16(u"<r>caf\u00E9</r>", true), "caf\xC3\xA9"},
    {"UTF-16 BOM with UTF-16 declared",
     Utf16(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>t</r>"), "t"},
    {"UTF-16 BOM contradicting the declaration",
     Utf16(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>t</r>"), std::nullopt},
    {"UTF-16 unpaired surrogate", Utf16(u"<r>\xD800</r>"), std::nullopt},
    {"UTF-16 odd length", Utf16(u"<r/>") + "x", std::nullopt},
};

class DomLoadTest : public DomTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(DomLoadTest, LoadsOnlyWhatIsWellFormed) {
  const LoadCase& c = GetParam();
  const bool loaded = Load(c.bytes);
  ASSERT_EQ(loaded, c.root_text.has_value());
  if (!loaded) {
    EXPECT_FALSE(doc_.hasChildNodes());
    return;
  }
  EXPECT_EQ(doc_.selectSingleNode("/r").text(), *c.root_text);
}

INSTANTIATE_TEST_SUITE_P(Documents, DomLoadTest, ::testing::ValuesIn(kLoadCases));

TEST_F(DomLoadTest, LineEndsBecomeLineFeeds) {
  EXPECT_EQ(Root("<r>a\r\nb\rc\nd&#13;</r>").xml(), "<r>a\nb\nc\nd\r</r>");
  EXPECT_EQ(Root("<r><![CDATA[a\r\nb]]><!--c\r\nd--><?p e\rf?></r>").xml(),
            "<r><![CDATA[a\nb]]><!--c\nd--><?p e\nf?></r>");
}

TEST_F(DomLoadTest, AttributeValuesAreNormalised) {
  const Node r = Root("<r a=\"x\r\ny\tz\nw\rv\" b=\"x&#9;y&#10;z&#13;\" c='  p  q  '/>");
  EXPECT_EQ(r.attributes().getNamedItem("a").text(), "x y z w v");
  EXPECT_EQ(r.attributes().getNamedItem("b").text(), "x\ty\nz\r");
  EXPECT_EQ(r.attributes().getNamedItem("c").text(), "  p  q  ");
}

TEST_F(DomLoadTest, FailedLoadDiscardsEarlierContent) {
  EXPECT_FALSE(DOMDocument().hasChildNodes());
  ASSERT_TRUE(Load("<?xml version=\"1.0\"?><r><a>t</a></r>"));
  const Node earlier = doc_.selectSingleNode("r/a");
  ASSERT_EQ(doc_.childNodes().length(), 2);

  EXPECT_FALSE(Load("<r><a>t</a>"));
  EXPECT_EQ(doc_.childNodes().length(), 0);
  EXPECT_TRUE(doc_.selectSingleNode("r").isNothing());
  EXPECT_EQ(earlier.text(), "t");  // a node taken before keeps its own document

  ASSERT_TRUE(Load("<r/>"));
  EXPECT_FALSE(doc_.load(machine_.fs, "C:\\nothere.xml"));
  EXPECT_FALSE(doc_.hasChildNodes());
}

}  // namespace
}  // namespace qmon::platform::xml
