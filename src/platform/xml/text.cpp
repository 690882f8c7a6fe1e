// The text property.
#include <algorithm>

#include "platform/xml/chars.h"
#include "platform/xml/tree.h"

namespace qmon::platform::xml::detail {

std::string TextOf(const Tree& tree, uint32_t id) {
  const NodeRec& node = tree.at(id);
  switch (node.kind) {
    case Kind::kAttribute:
    case Kind::kComment:
    case Kind::kPi:
      return std::string(tree.value(id));
    case Kind::kDocType:
      return {};
    default:
      break;
  }
  // Walk the subtree in document order. Where whitespace was dropped, one
  // blank stands in, but only between pieces: never before the first output.
  std::string out;
  bool blank_pending = false;
  size_t first_cdata = std::string::npos;  // trimming never cuts into CDATA
  size_t last_cdata_end = 0;
  for (uint32_t i = id; i < node.end;) {
    const NodeRec& rec = tree.at(i);
    switch (rec.kind) {
      case Kind::kAttribute:
        i = rec.end;
        continue;
      case Kind::kDroppedSpace:
        blank_pending = !out.empty();
        break;
      case Kind::kText:
      case Kind::kCData:
        if (blank_pending) out += ' ';
        blank_pending = false;
        if (rec.kind == Kind::kCData) first_cdata = std::min(first_cdata, out.size());
        out += tree.view(rec.value);
        if (rec.kind == Kind::kCData) last_cdata_end = out.size();
        break;
      default:
        break;
    }
    ++i;
  }
  size_t begin = 0;
  while (begin < out.size() && begin < first_cdata && IsXmlSpace(out[begin])) ++begin;
  size_t end = out.size();
  while (end > begin && end > last_cdata_end && IsXmlSpace(out[end - 1])) --end;
  return out.substr(begin, end - begin);
}

}  // namespace qmon::platform::xml::detail
