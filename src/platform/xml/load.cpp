// Bytes to tree: pugixml tokenises; this file applies what pugixml leaves
// lax (references, duplicate attributes, names, namespaces, the prolog) so
// that only a well-formed document loads, and drops whitespace-only text the
// way the DOM does by default.
#include <pugixml.hpp>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/xml/chars.h"
#include "platform/xml/decode.h"
#include "platform/xml/tree.h"

namespace qmon::platform::xml::detail {
namespace {

// No EOL or escape processing: line ends are normalised before parsing and
// references are expanded here, where an undeclared one can fail the load.
// Fragment mode keeps top-level text, which must then fail the load too.
constexpr unsigned kParseOptions = pugi::parse_cdata | pugi::parse_comments | pugi::parse_pi |
                                   pugi::parse_declaration | pugi::parse_doctype |
                                   pugi::parse_ws_pcdata | pugi::parse_wconv_attribute |
                                   pugi::parse_fragment;

// Enough to size a tree: a node starts at each "<" (an element and the
// text after it) and each "=" (an attribute).
struct TextSize {
  size_t markup = 0;
  size_t bytes = 0;
};

TextSize SizeOf(std::string_view text) {
  return {static_cast<size_t>(std::count(text.begin(), text.end(), '<') +
                              std::count(text.begin(), text.end(), '=')),
          text.size()};
}

std::string_view Prefix(std::string_view qname) {
  const size_t colon = qname.find(':');
  return colon == std::string_view::npos ? std::string_view() : qname.substr(0, colon);
}

bool IsBlank(std::string_view text) {
  for (char c : text) {
    if (!IsXmlSpace(c)) return false;
  }
  return true;
}

class Converter {
 public:
  explicit Converter(std::string declaration) : declaration_(std::move(declaration)) {}

  // `size` is what the document was parsed from, to size the tree up front.
  std::shared_ptr<const Tree> Run(const pugi::xml_document& document, const TextSize& size) {
    tree_.nodes.reserve(size.markup + 1);
    tree_.chars.reserve(size.bytes);
    tree_.nodes.push_back(NodeRec{});
    frames_.push_back(Frame{document.first_child(), 0, 0, 0});
    while (!frames_.empty()) {
      Frame& frame = frames_.back();
      if (!frame.next) {
        Finish();
        continue;
      }
      const pugi::xml_node node = frame.next;
      frame.next = node.next_sibling();
      if (!Visit(node, frame.id == 0)) return nullptr;
    }
    if (!root_seen_) return nullptr;
    return std::make_shared<const Tree>(std::move(tree_));
  }

 private:
  struct Frame {
    pugi::xml_node next;  // the next child to convert
    uint32_t id;
    size_t kids_mark;   // this element's children start here in kids_
    size_t scope_mark;  // prefixes declared from here on are this element's
  };

  Chars Store(std::string_view s) {
    const Chars chars{static_cast<uint32_t>(tree_.chars.size()), static_cast<uint32_t>(s.size())};
    tree_.chars.append(s);
    return chars;
  }

  uint32_t Add(Kind kind, Chars name, Chars value) {
    const auto id = static_cast<uint32_t>(tree_.nodes.size());
    NodeRec& rec = tree_.nodes.emplace_back();
    rec.kind = kind;
    rec.name = name;
    rec.value = value;
    rec.end = id + 1;
    return id;
  }

  void AddChild(Kind kind, std::string_view name, std::string_view value) {
    kids_.push_back(Add(kind, Store(name), Store(value)));
  }

  bool Visit(pugi::xml_node node, bool top) {
    const std::string_view value = node.value();
    switch (node.type()) {
      case pugi::node_pcdata: {
        if (value.find("]]>") != std::string_view::npos || !ExpandReferences(value, scratch_)) {
          return false;
        }
        if (IsBlank(scratch_)) {
          if (!top) Add(Kind::kDroppedSpace, {}, {});
          return true;
        }
        if (top) return false;
        AddChild(Kind::kText, {}, scratch_);
        return true;
      }
      case pugi::node_cdata:
        if (top) return false;
        AddChild(Kind::kCData, {}, value);
        return true;
      case pugi::node_comment:
        if (value.find("--") != std::string_view::npos || value.ends_with('-')) return false;
        AddChild(Kind::kComment, {}, value);
        return true;
      case pugi::node_pi: {
        const std::string_view target = node.name();
        // The target "xml" is reserved in any letter case.
        const bool reserved = target.size() == 3 && (target[0] | 0x20) == 'x' &&
                              (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l';
        if (reserved || !IsQName(target) || target.find(':') != std::string_view::npos) {
          return false;
        }
        AddChild(Kind::kPi, target, value);
        return true;
      }
      case pugi::node_declaration:
        // Only at the very start, which is also where the decoder found it.
        if (!top || node != node.parent().first_child() || declaration_.empty()) return false;
        AddChild(Kind::kPi, "xml", declaration_);
        return true;
      case pugi::node_doctype: {
        if (!top || root_seen_ || doctype_seen_) return false;
        doctype_seen_ = true;
        const std::string_view name = value.substr(0, value.find_first_of(" \t\n["));
        if (!IsQName(name)) return false;
        AddChild(Kind::kDocType, name, value);
        return true;
      }
      case pugi::node_element:
        if (top) {
          if (root_seen_) return false;
          root_seen_ = true;
        }
        return OpenElement(node);
      default:
        return false;
    }
  }

  bool Declared(std::string_view prefix) const {
    if (prefix.empty() || prefix == "xml") return true;
    for (std::string_view p : prefixes_) {
      if (p == prefix) return true;
    }
    return false;
  }

  bool OpenElement(pugi::xml_node node) {
    const std::string_view name = node.name();
    if (!IsQName(name)) return false;
    const uint32_t id = Add(Kind::kElement, Store(name), {});
    kids_.push_back(id);
    const size_t scope_mark = prefixes_.size();
    for (pugi::xml_attribute attr : node.attributes()) {
      const std::string_view attr_name = attr.name();
      if (!IsQName(attr_name)) return false;
      if (Prefix(attr_name) == "xmlns") prefixes_.push_back(attr_name.substr(6));
    }
    if (!Declared(Prefix(name))) return false;

    tree_.nodes[id].attributes_begin = static_cast<uint32_t>(tree_.attribute_ids.size());
    for (pugi::xml_attribute attr : node.attributes()) {
      const std::string_view attr_name = attr.name();
      for (pugi::xml_attribute other = node.first_attribute(); other != attr;
           other = other.next_attribute()) {
        if (attr_name == other.name()) return false;
      }
      const std::string_view prefix = Prefix(attr_name);
      if (prefix != "xmlns" && !Declared(prefix)) return false;
      const std::string_view raw = attr.value();
      if (raw.find('<') != std::string_view::npos || !ExpandReferences(raw, scratch_)) {
        return false;
      }
      const Chars value = Store(scratch_);
      const uint32_t attr_id = Add(Kind::kAttribute, Store(attr_name), value);
      tree_.attribute_ids.push_back(attr_id);
      // As in the DOM, a non-empty value is also the attribute's one text child.
      if (value.size != 0) {
        const uint32_t text_id = Add(Kind::kText, {}, value);
        NodeRec& attr_rec = tree_.nodes[attr_id];
        attr_rec.children_begin = static_cast<uint32_t>(tree_.child_ids.size());
        attr_rec.children_count = 1;
        tree_.child_ids.push_back(text_id);
      }
      tree_.nodes[attr_id].end = static_cast<uint32_t>(tree_.nodes.size());
    }
    NodeRec& rec = tree_.nodes[id];
    rec.attributes_count = static_cast<uint32_t>(tree_.attribute_ids.size()) - rec.attributes_begin;
    frames_.push_back(Frame{node.first_child(), id, kids_.size(), scope_mark});
    return true;
  }

  void Finish() {
    const Frame frame = frames_.back();
    frames_.pop_back();
    NodeRec& rec = tree_.nodes[frame.id];
    rec.end = static_cast<uint32_t>(tree_.nodes.size());
    rec.children_begin = static_cast<uint32_t>(tree_.child_ids.size());
    rec.children_count = static_cast<uint32_t>(kids_.size() - frame.kids_mark);
    tree_.child_ids.insert(tree_.child_ids.end(), kids_.begin() + frame.kids_mark, kids_.end());
    kids_.resize(frame.kids_mark);
    prefixes_.resize(frame.scope_mark);
  }

  const std::string declaration_;
  std::string scratch_;  // references expanded, before they are stored
  Tree tree_;
  std::vector<Frame> frames_;
  std::vector<uint32_t> kids_;              // children of the open elements
  std::vector<std::string_view> prefixes_;  // namespace prefixes in scope
  bool root_seen_ = false;
  bool doctype_seen_ = false;
};

}  // namespace

std::shared_ptr<const Tree> EmptyTree() {
  auto tree = std::make_shared<Tree>();
  tree->nodes.push_back(NodeRec{});
  tree->nodes[0].end = 1;
  return tree;
}

std::shared_ptr<const Tree> ParseTree(std::string bytes) {
  // Offsets into the tree are 32-bit; no template comes near this size.
  constexpr size_t kMaxText = size_t{1} << 30;
  std::optional<DecodedText> decoded = DecodeDocument(std::move(bytes));
  if (!decoded || decoded->text.size() > kMaxText) return nullptr;
  pugi::xml_document document;
  // A copy: in place, fragment mode may lose the last character of the text.
  if (!document.load_buffer(decoded->text.data(), decoded->text.size(), kParseOptions,
                            pugi::encoding_utf8)) {
    return nullptr;
  }
  // The parser holds its own copy now; a large template need not be held twice.
  const TextSize size = SizeOf(decoded->text);
  std::string().swap(decoded->text);
  return Converter(std::move(decoded->declaration)).Run(document, size);
}

}  // namespace qmon::platform::xml::detail
