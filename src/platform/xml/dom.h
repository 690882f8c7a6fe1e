// The XML DOM the program reads its templates with: the 3.0 DOM's default
// behaviour (whitespace-only text dropped at load, text, xml, childNodes,
// plain-path selection, attributes), built over pugixml. Member names are the
// DOM's own, so the procedures read as DOM code.
//
// Nodes, lists and attribute maps are cheap handles; they keep the loaded
// tree alive, so a handle stays valid after its document loads anew. A handle
// may be Nothing (no match, index out of range, missing attribute); using a
// Nothing handle as an object raises VbError 91, as it does in VB.
//
// Where this layer departs from the real DOM on purpose: xml adds no
// indentation and writes a line feed as a line feed; a DOCTYPE is parsed and
// ignored (nothing is validated, fetched or read besides the file); load is
// synchronous. See shared/reference/msxml-dom.md.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/env.h"

namespace qmon::platform::xml {

namespace detail {
struct Tree;
}

class Node;
class NamedNodeMap;

// An ordered list of nodes: the children of a node or the result of a
// selection. Never Nothing itself.
class NodeList {
 public:
  int32_t length() const;
  // Nothing, without an error, when index is outside 0 .. length - 1.
  Node item(int32_t index) const;

 private:
  friend class Node;
  NodeList(std::shared_ptr<const detail::Tree> tree, std::span<const uint32_t> ids,
           std::shared_ptr<const std::vector<uint32_t>> owned);

  std::shared_ptr<const detail::Tree> tree_;
  std::shared_ptr<const std::vector<uint32_t>> owned_;  // a selection's own ids
  std::span<const uint32_t> ids_;
};

// A node of a loaded document, or Nothing.
class Node {
 public:
  Node() = default;  // Nothing

  // VB's "Is Nothing"; the only member that is safe on Nothing.
  bool isNothing() const { return tree_ == nullptr; }

  // The element's or attribute's name, the PI's target, "#text",
  // "#cdata-section", "#comment", "#document", or the DOCTYPE's name.
  std::string nodeName() const;
  // Elements and the document: the text and CDATA content below them, with one
  // blank where whitespace was dropped and the edges trimmed (never into
  // CDATA). Text: trimmed; CDATA, comment, PI: as is; attribute: its value.
  std::string text() const;
  // The node's markup. Attributes in source order and double quotes,
  // "<name/>" for an element without children, no indentation added.
  std::string xml() const;

  bool hasChildNodes() const;
  NodeList childNodes() const;
  // Elements only; any other node answers a Nothing map.
  NamedNodeMap attributes() const;

  // Plain paths: "a/b/c" from this node, "/a/b" from the document, "/" the
  // document itself. Names match exactly; results come in document order.
  // Any other query raises VbError 5.
  Node selectSingleNode(const std::string& path) const;
  NodeList selectNodes(const std::string& path) const;

 private:
  friend class NodeList;
  friend class NamedNodeMap;
  friend class DOMDocument;
  Node(std::shared_ptr<const detail::Tree> tree, uint32_t id) : tree_(std::move(tree)), id_(id) {}

  // The one place that decides absence: VbError 91 on Nothing.
  const detail::Tree& object() const;

  std::shared_ptr<const detail::Tree> tree_;
  uint32_t id_ = 0;
};

// The attributes of an element, in source order. Nothing for any other node.
class NamedNodeMap {
 public:
  bool isNothing() const { return element_.isNothing(); }
  int32_t length() const;
  Node item(int32_t index) const;
  // The attribute with exactly this qualified name, or Nothing.
  Node getNamedItem(const std::string& name) const;

 private:
  friend class Node;
  explicit NamedNodeMap(Node element) : element_(std::move(element)) {}
  Node element_;
};

// MSXML2.DOMDocument with its defaults; created empty.
class DOMDocument {
 public:
  DOMDocument();

  // Reads the file through fs and parses it. False when the file cannot be
  // read or is not well-formed; the document is then empty (earlier content
  // is discarded either way).
  bool load(FileSystem& fs, const std::string& path);

  bool hasChildNodes() const { return document_.hasChildNodes(); }
  NodeList childNodes() const { return document_.childNodes(); }
  Node selectSingleNode(const std::string& path) const { return document_.selectSingleNode(path); }
  NodeList selectNodes(const std::string& path) const { return document_.selectNodes(path); }

 private:
  Node document_;
};

}  // namespace qmon::platform::xml
