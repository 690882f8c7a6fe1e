// The DOM over pugixml. A document that loads, written out with xml, loads
// again to the same xml; a node's xml holds its children's; an element is
// found by its name from its parent. xml writes tabs and line breaks of
// attribute values (and CRs of text) as they are, as the DOM does, and a
// load normalises them: with those, the xml of the reload is a fixed point.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "harness.h"
#include "platform/memory/memory_env.h"
#include "platform/xml/dom.h"

namespace {

using qmon::platform::memory::MemoryFileSystem;
using qmon::platform::xml::DOMDocument;
using qmon::platform::xml::Node;
using qmon::platform::xml::NodeList;

std::string Load(MemoryFileSystem& fs, DOMDocument& document, std::string bytes) {
  fs.Write("C:\\d.xml", std::move(bytes));
  return document.load(fs, "C:\\d.xml") ? document.selectSingleNode("/").xml() : "";
}

// The xml text can be read back as bytes when the declaration names UTF-8 (or
// nothing), or a single-byte encoding and the text is ASCII.
bool Reloadable(const DOMDocument& document, const std::string& xml) {
  const Node first = document.childNodes().item(0);
  const std::string declaration = first.nodeName() == "xml" ? first.text() : "";
  const size_t at = declaration.find("encoding=\"");
  if (at == std::string::npos) return true;
  std::string encoding = declaration.substr(at + 10, declaration.find('"', at + 10) - at - 10);
  for (char& c : encoding) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return encoding == "utf-8" || (encoding != "utf-16" && Ascii(xml));
}

void Walk(const Node& node) {
  const NodeList children = node.childNodes();
  std::string inner;
  for (int32_t i = 0; i < children.length(); ++i) {
    const Node child = children.item(i);
    inner += child.xml();
    child.text();
    if (child.attributes().isNothing()) continue;
    const NodeList named = node.selectNodes(child.nodeName());
    bool listed = false;
    for (int32_t j = 0; j < named.length(); ++j) listed |= named.item(j).xml() == child.xml();
    Check(listed);
    for (int32_t a = 0; a < child.attributes().length(); ++a) {
      const std::string name = child.attributes().item(a).nodeName();
      Check(!child.attributes().getNamedItem(name).isNothing());
    }
    Walk(child);
  }
  const std::string xml = node.xml();
  const std::string end = node.nodeName() == "#document" ? "" : "</" + node.nodeName() + ">";
  Check(!node.hasChildNodes() || xml.ends_with(inner + end));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemoryFileSystem fs;
  DOMDocument document;
  const std::string xml =
      Load(fs, document, Bytes(data, size));
  if (xml.empty()) return 0;
  Walk(document.selectSingleNode("/"));
  if (!Reloadable(document, xml)) return 0;
  DOMDocument again, third;
  const std::string reloaded = Load(fs, again, xml);
  Check(reloaded == xml || (xml.find_first_of("\t\r\n") != std::string::npos &&
                            Load(fs, third, reloaded) == reloaded));
  return 0;
}
