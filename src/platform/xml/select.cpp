// selectNodes / selectSingleNode for the plain paths the program uses. For
// these the default selection language and XPath agree: child steps by exact
// name, relative to the node, or from the document with a leading "/".
#include <vector>

#include "platform/vb_error.h"
#include "platform/xml/chars.h"
#include "platform/xml/tree.h"

namespace qmon::platform::xml::detail {
namespace {

// Depth first through the matching children only, so the first match is found
// without touching unrelated subtrees and results come in document order.
// `steps` is the rest of the path, names separated by "/".
void Walk(const Tree& tree, uint32_t id, std::string_view steps, size_t limit,
          std::vector<uint32_t>& out) {
  const size_t slash = steps.find('/');
  const std::string_view step = steps.substr(0, slash);
  const NodeRec& node = tree.at(id);
  for (uint32_t k = 0; k < node.children_count && out.size() < limit; ++k) {
    const uint32_t child_id = tree.child_ids[node.children_begin + k];
    if (tree.at(child_id).kind != Kind::kElement || tree.name(child_id) != step) continue;
    if (slash == std::string_view::npos) {
      out.push_back(child_id);
    } else {
      Walk(tree, child_id, steps.substr(slash + 1), limit, out);
    }
  }
}

}  // namespace

std::vector<uint32_t> Select(const Tree& tree, uint32_t id, std::string_view path, size_t limit) {
  uint32_t start = id;
  if (path.starts_with('/')) {
    start = 0;
    path.remove_prefix(1);
    if (path.empty()) return {0};
  }
  // Every step must be a name, whether or not the walk gets to it.
  for (size_t begin = 0;;) {
    const size_t slash = path.find('/', begin);
    if (!IsQName(path.substr(begin, slash - begin))) throw VbError(vberr::kInvalidCall);
    if (slash == std::string_view::npos) break;
    begin = slash + 1;
  }
  std::vector<uint32_t> out;
  Walk(tree, start, path, limit, out);
  return out;
}

}  // namespace qmon::platform::xml::detail
