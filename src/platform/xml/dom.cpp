#include "platform/xml/dom.h"

#include <limits>
#include <utility>

#include "platform/vb_error.h"
#include "platform/xml/tree.h"

namespace qmon::platform::xml {

// ---- NodeList ----------------------------------------------------------------

NodeList::NodeList(std::shared_ptr<const detail::Tree> tree, std::span<const uint32_t> ids,
                   std::shared_ptr<const std::vector<uint32_t>> owned)
    : tree_(std::move(tree)), owned_(std::move(owned)), ids_(ids) {}

int32_t NodeList::length() const { return static_cast<int32_t>(ids_.size()); }

Node NodeList::item(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= ids_.size()) return Node();
  return Node(tree_, ids_[static_cast<size_t>(index)]);
}

// ---- Node ----------------------------------------------------------------------

const detail::Tree& Node::object() const {
  if (!tree_) throw VbError(vberr::kObjectNotSet);
  return *tree_;
}

std::string Node::nodeName() const {
  const detail::NodeRec& rec = object().at(id_);
  switch (rec.kind) {
    case detail::Kind::kDocument:
      return "#document";
    case detail::Kind::kText:
      return "#text";
    case detail::Kind::kCData:
      return "#cdata-section";
    case detail::Kind::kComment:
      return "#comment";
    default:
      return std::string(object().view(rec.name));
  }
}

std::string Node::text() const { return detail::TextOf(object(), id_); }

std::string Node::xml() const { return detail::XmlOf(object(), id_); }

bool Node::hasChildNodes() const { return object().at(id_).children_count != 0; }

NodeList Node::childNodes() const {
  const detail::Tree& tree = object();
  const detail::NodeRec& rec = tree.at(id_);
  return NodeList(
      tree_,
      std::span<const uint32_t>(tree.child_ids).subspan(rec.children_begin, rec.children_count),
      nullptr);
}

NamedNodeMap Node::attributes() const {
  const bool element = object().at(id_).kind == detail::Kind::kElement;
  return NamedNodeMap(element ? *this : Node());
}

Node Node::selectSingleNode(const std::string& path) const {
  const std::vector<uint32_t> found = detail::Select(object(), id_, path, 1);
  return found.empty() ? Node() : Node(tree_, found.front());
}

NodeList Node::selectNodes(const std::string& path) const {
  auto found = std::make_shared<const std::vector<uint32_t>>(
      detail::Select(object(), id_, path, std::numeric_limits<size_t>::max()));
  const std::span<const uint32_t> ids(*found);
  return NodeList(tree_, ids, std::move(found));
}

// ---- NamedNodeMap --------------------------------------------------------------

int32_t NamedNodeMap::length() const {
  return static_cast<int32_t>(element_.object().at(element_.id_).attributes.size);
}

Node NamedNodeMap::item(int32_t index) const {
  const detail::Tree& tree = element_.object();
  const detail::NodeRec& rec = tree.at(element_.id_);
  if (index < 0 || static_cast<uint32_t>(index) >= rec.attributes.size) return Node();
  return Node(element_.tree_,
              tree.attribute_ids[rec.attributes.begin + static_cast<uint32_t>(index)]);
}

Node NamedNodeMap::getNamedItem(const std::string& name) const {
  const detail::Tree& tree = element_.object();
  const detail::NodeRec& rec = tree.at(element_.id_);
  for (uint32_t a = 0; a < rec.attributes.size; ++a) {
    const uint32_t attr_id = tree.attribute_ids[rec.attributes.begin + a];
    if (tree.name(attr_id) == name) return Node(element_.tree_, attr_id);
  }
  return Node();
}

// ---- DOMDocument ---------------------------------------------------------------

DOMDocument::DOMDocument() : document_(detail::EmptyTree(), 0) {}

bool DOMDocument::load(FileSystem& fs, const std::string& path) {
  std::optional<std::string> bytes = fs.ReadBytes(path);
  std::shared_ptr<const detail::Tree> tree = bytes ? detail::ParseTree(std::move(*bytes)) : nullptr;
  const bool loaded = tree != nullptr;
  document_ = Node(loaded ? std::move(tree) : detail::EmptyTree(), 0);
  return loaded;
}

}  // namespace qmon::platform::xml
