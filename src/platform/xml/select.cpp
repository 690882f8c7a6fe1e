// selectNodes / selectSingleNode for the plain paths the program uses. For
// these the default selection language and XPath agree: child steps by exact
// name, relative to the node, or from the document with a leading "/".
#include <span>
#include <vector>

#include "platform/vb_error.h"
#include "platform/xml/chars.h"
#include "platform/xml/tree.h"

namespace qmon::platform::xml::detail {
namespace {

// Depth first through the matching children only, so the first match is found
// without touching unrelated subtrees and results come in document order.
void Walk(const Tree& tree, uint32_t id, std::span<const std::string_view> steps, size_t limit,
          std::vector<uint32_t>& out) {
  const NodeRec& node = tree.at(id);
  for (uint32_t k = 0; k < node.children_count && out.size() < limit; ++k) {
    const uint32_t child_id = tree.child_ids[node.children_begin + k];
    if (tree.at(child_id).kind != Kind::kElement || tree.name(child_id) != steps.front()) {
      continue;
    }
    if (steps.size() == 1) {
      out.push_back(child_id);
    } else {
      Walk(tree, child_id, steps.subspan(1), limit, out);
    }
  }
}

}  // namespace

std::vector<uint32_t> Select(const Tree& tree, uint32_t id, std::string_view path, size_t limit) {
  std::string_view rest = path;
  uint32_t start = id;
  if (rest.starts_with('/')) {
    start = 0;
    rest.remove_prefix(1);
    if (rest.empty()) return {0};
  }
  std::vector<std::string_view> steps;
  for (;;) {
    const size_t slash = rest.find('/');
    const std::string_view step = rest.substr(0, slash);
    if (!IsQName(step)) throw VbError(vberr::kInvalidCall);
    steps.push_back(step);
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  std::vector<uint32_t> out;
  Walk(tree, start, steps, limit, out);
  return out;
}

}  // namespace qmon::platform::xml::detail
