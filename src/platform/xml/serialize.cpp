// The xml property. Walks the subtree's id range with a stack of open
// elements, so no depth of nesting can exhaust the call stack.
#include <vector>

#include "platform/xml/tree.h"

namespace qmon::platform::xml::detail {
namespace {

// Text escapes & < >, keeps quotes and writes a line feed as a line feed.
// Attribute values, always in double quotes, also escape the double quote; >
// is escaped there as the DOM under Wine does it, and the apostrophe and
// whitespace characters stay.
void AppendEscaped(std::string& out, std::string_view s, bool attribute) {
  for (char c : s) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '"' && attribute) {
      out += "&quot;";
    } else {
      out += c;
    }
  }
}

void AppendAttribute(std::string& out, const Tree& tree, uint32_t id) {
  out.append(tree.name(id)).append("=\"");
  AppendEscaped(out, tree.value(id), true);
  out += '"';
}

}  // namespace

std::string XmlOf(const Tree& tree, uint32_t id) {
  std::string out;
  std::vector<uint32_t> open;
  const auto close_until = [&](uint32_t next) {
    while (!open.empty() && next >= tree.at(open.back()).end) {
      out.append("</").append(tree.name(open.back())).append(">");
      open.pop_back();
    }
  };
  const NodeRec& top = tree.at(id);
  for (uint32_t i = id; i < top.end;) {
    close_until(i);
    const NodeRec& rec = tree.at(i);
    switch (rec.kind) {
      case Kind::kDocument:
        break;
      case Kind::kElement: {
        out.append("<").append(tree.view(rec.name));
        for (uint32_t a = 0; a < rec.attributes.size; ++a) {
          out += ' ';
          AppendAttribute(out, tree, tree.attribute_ids[rec.attributes.begin + a]);
        }
        if (rec.children_count == 0) {
          out += "/>";
          i = rec.end;
          continue;
        }
        out += '>';
        open.push_back(i);
        break;
      }
      case Kind::kAttribute:
        if (i == id) AppendAttribute(out, tree, i);
        i = rec.end;  // written with its element
        continue;
      case Kind::kText:
        AppendEscaped(out, tree.view(rec.value), false);
        break;
      case Kind::kCData:
        out.append("<![CDATA[").append(tree.view(rec.value)).append("]]>");
        break;
      case Kind::kComment:
        out.append("<!--").append(tree.view(rec.value)).append("-->");
        break;
      case Kind::kPi:
        out.append("<?").append(tree.view(rec.name));
        if (rec.value.size != 0) out.append(" ").append(tree.view(rec.value));
        out += "?>";
        break;
      case Kind::kDocType:
        out.append("<!DOCTYPE ").append(tree.view(rec.value)).append(">");
        break;
      case Kind::kDroppedSpace:
        break;  // no indentation is added where whitespace was dropped
    }
    ++i;
  }
  close_until(top.end);
  return out;
}

}  // namespace qmon::platform::xml::detail
