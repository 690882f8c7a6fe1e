// The loaded document behind the DOM handles: an immutable array of nodes in
// document (pre-)order, so that a subtree is one contiguous range of ids.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qmon::platform::xml::detail {

enum class Kind : uint8_t {
  kDocument,
  kElement,
  kAttribute,
  kText,
  kCData,
  kComment,
  kPi,  // also the XML declaration, as the DOM shows it (target "xml")
  kDocType,
  // Where whitespace-only text was dropped at load: no child of anything and
  // never serialised, but text() puts a blank there.
  kDroppedSpace,
};

// A piece of Tree::chars.
struct Chars {
  uint32_t begin = 0;
  uint32_t size = 0;
};

// A piece of Tree::attribute_ids (trivial, as a union member must be).
struct Ids {
  uint32_t begin;
  uint32_t size;
};

struct NodeRec {
  Kind kind = Kind::kDocument;
  Chars name;  // element, attribute, PI target, DOCTYPE name
  // An element has no value, so its attributes take that place: a template
  // is mostly elements and their text, and every byte of a node counts.
  union {
    Chars value{};  // text, CDATA, comment, PI data, attribute value, DOCTYPE body
    Ids attributes;  // element
  };
  uint32_t end = 0;             // one past the last id of the subtree (attributes included)
  uint32_t children_begin = 0;  // slice of Tree::child_ids
  uint32_t children_count = 0;
};

// The node array, in blocks of 1,024: each block is small enough for the heap
// to place where the parser's pages were freed, so a large document is not
// held twice while it loads.
class NodeStore {
 public:
  uint32_t size() const { return size_; }
  const NodeRec& operator[](uint32_t id) const { return blocks_[id >> kBlockBits][id & kMask]; }
  NodeRec& operator[](uint32_t id) { return blocks_[id >> kBlockBits][id & kMask]; }
  NodeRec& emplace_back() {
    if ((size_ & kMask) == 0) blocks_.push_back(std::make_unique<NodeRec[]>(kMask + 1));
    return (*this)[size_++];
  }

 private:
  static constexpr uint32_t kBlockBits = 10;
  static constexpr uint32_t kMask = (uint32_t{1} << kBlockBits) - 1;
  std::vector<std::unique_ptr<NodeRec[]>> blocks_;
  uint32_t size_ = 0;
};

// Names and values are pieces of the document's own text, references
// expanded in place: a large template is many small nodes.
struct Tree {
  NodeStore nodes;  // id 0 is the document
  std::vector<uint32_t> child_ids;
  std::vector<uint32_t> attribute_ids;
  std::string chars;

  // The text child of an attribute is not stored (a template has thousands
  // of attributes): its id is the attribute's with this bit set, and its
  // record is made from the attribute's.
  static constexpr uint32_t kAttributeText = uint32_t{1} << 31;

  NodeRec at(uint32_t id) const {
    if ((id & kAttributeText) == 0) return nodes[id];
    NodeRec text;
    text.kind = Kind::kText;
    text.value = nodes[id & ~kAttributeText].value;
    text.end = id + 1;
    return text;
  }
  std::string_view view(Chars c) const { return std::string_view(chars).substr(c.begin, c.size); }
  std::string_view name(uint32_t id) const { return view(at(id).name); }
  std::string_view value(uint32_t id) const { return view(at(id).value); }
};

// A tree holding only the document node.
std::shared_ptr<const Tree> EmptyTree();

// The tree of a file's bytes, or null when they are not a well-formed
// document in a supported encoding (or exceed 1 GB).
std::shared_ptr<const Tree> ParseTree(std::string bytes);

std::string TextOf(const Tree& tree, uint32_t id);
std::string XmlOf(const Tree& tree, uint32_t id);

// Ids matching a plain path from `id`, at most `limit` of them, in document
// order. Throws VbError 5 on a query this layer does not support.
std::vector<uint32_t> Select(const Tree& tree, uint32_t id, std::string_view path, size_t limit);

}  // namespace qmon::platform::xml::detail
