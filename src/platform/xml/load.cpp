// Bytes to tree: pugixml tokenises in place; this file applies what pugixml
// leaves lax (references, duplicate attributes, names, namespaces, the
// prolog) so that only a well-formed document loads, and drops
// whitespace-only text the way the DOM does by default. Each converted
// subtree goes back to pugixml's allocator at once, so a large document is
// held about once while it loads; the tree then keeps only its names and
// values of the text.
#include <pugixml.hpp>

#include <array>
#include <cstring>
#include <optional>
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
  // `text` is what pugixml parsed in place; `declaration` is the data of its
  // XML declaration as the DOM shows it, or empty when it has none.
  Converter(std::string& text, std::string declaration)
      : text_(text), declaration_(std::move(declaration)) {}

  std::shared_ptr<const Tree> Run(pugi::xml_document& document) {
    tree_.nodes.emplace_back();
    frames_.push_back(Frame{document, document.first_child(), 0, 0, 0});
    while (!frames_.empty()) {
      Frame& frame = frames_.back();
      if (!frame.next) {
        Finish();
        continue;
      }
      const pugi::xml_node node = frame.next;
      frame.next = node.next_sibling();
      if (!Visit(node, frame.id == 0)) return nullptr;
      if (node.type() != pugi::node_element) Release(node);
    }
    if (!root_seen_) return nullptr;
    // A tree lives while its document is read: without the spare room of
    // the grown lists.
    tree_.child_ids.shrink_to_fit();
    tree_.attribute_ids.shrink_to_fit();
    tree_.chars = Compacted();
    return std::make_shared<const Tree>(std::move(tree_));
  }

 private:
  struct Frame {
    pugi::xml_node node;
    pugi::xml_node next;  // the next child to convert
    uint32_t id;
    size_t kids_mark;   // this element's children start here in kids_
    size_t scope_mark;  // prefixes declared from here on are this element's
  };

  // A piece of the text pugixml handed out (the empty string may be its own).
  Chars Piece(std::string_view s) const {
    if (s.empty()) return {};
    return {static_cast<uint32_t>(s.data() - text_.data()), static_cast<uint32_t>(s.size())};
  }

  std::string_view View(Chars c) const { return std::string_view(text_).substr(c.begin, c.size); }

  // The raw data with its references expanded over it: an expansion is never
  // longer than its reference. Nullopt on a malformed reference.
  std::optional<Chars> Expanded(std::string_view raw) {
    const Chars at = Piece(raw);
    if (raw.find('&') == std::string_view::npos) return at;
    if (!ExpandReferences(raw, scratch_)) return std::nullopt;
    std::memcpy(text_.data() + at.begin, scratch_.data(), scratch_.size());
    return Chars{at.begin, static_cast<uint32_t>(scratch_.size())};
  }

  // The text the tree keeps: its nodes' names and values alone, a name seen
  // lately only once. Markup is most of a document, and the tree outlives
  // the load.
  std::string Compacted() {
    std::string kept;
    kept.reserve(text_.size());  // pages never written to are never mapped
    auto take = [&](Chars c) {
      kept.append(text_, c.begin, c.size);
      return Chars{static_cast<uint32_t>(kept.size()) - c.size, c.size};
    };
    struct Seen {
      Chars in_text, kept;
    };
    std::array<Seen, 256> recent{};  // by a hash of the name
    const char* const text = text_.data();
    for (uint32_t id = 0; id < tree_.nodes.size(); ++id) {
      NodeRec& rec = tree_.nodes[id];
      if (const Chars name = rec.name; name.size != 0) {
        const auto first = static_cast<unsigned char>(text[name.begin]);
        const auto last = static_cast<unsigned char>(text[name.begin + name.size - 1]);
        Seen& seen = recent[(name.size * 31 + first * 7 + last) & 255];
        if (seen.in_text.size != name.size ||
            std::memcmp(text + seen.in_text.begin, text + name.begin, name.size) != 0) {
          seen = {name, take(name)};
        }
        rec.name = seen.kept;
      }
      if (rec.kind != Kind::kElement) {  // an element's value holds its attributes
        rec.value = rec.value.size != 0 ? take(rec.value) : Chars{};
      }
    }
    kept.shrink_to_fit();
    return kept;
  }

  uint32_t Add(Kind kind, Chars name, Chars value) {
    const uint32_t id = tree_.nodes.size();
    NodeRec& rec = tree_.nodes.emplace_back();
    rec.kind = kind;
    rec.name = name;
    rec.value = value;
    rec.end = id + 1;
    return id;
  }

  void AddChild(Kind kind, Chars name, Chars value) { kids_.push_back(Add(kind, name, value)); }

  bool Visit(pugi::xml_node node, bool top) {
    // Converted nodes leave pugixml's tree, so the first one is counted here.
    const bool first = top && !top_seen_;
    top_seen_ = top_seen_ || top;
    const std::string_view value = node.value();
    switch (node.type()) {
      case pugi::node_pcdata: {
        if (value.find("]]>") != std::string_view::npos) return false;
        const std::optional<Chars> text = Expanded(value);
        if (!text) return false;
        if (IsBlank(View(*text))) {
          if (!top) Add(Kind::kDroppedSpace, {}, {});
          return true;
        }
        if (top) return false;
        AddChild(Kind::kText, {}, *text);
        return true;
      }
      case pugi::node_cdata:
        if (top) return false;
        AddChild(Kind::kCData, {}, Piece(value));
        return true;
      case pugi::node_comment:
        if (value.find("--") != std::string_view::npos || value.ends_with('-')) return false;
        AddChild(Kind::kComment, {}, Piece(value));
        return true;
      case pugi::node_pi: {
        const std::string_view target = node.name();
        // The target "xml" is reserved in any letter case.
        const bool reserved = target.size() == 3 && (target[0] | 0x20) == 'x' &&
                              (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l';
        if (reserved || !IsQName(target) || target.find(':') != std::string_view::npos) {
          return false;
        }
        AddChild(Kind::kPi, Piece(target), Piece(value));
        return true;
      }
      case pugi::node_declaration: {
        // Only at the very start, which is also where the decoder found it.
        if (!first || declaration_.empty()) return false;
        // Its data as the DOM shows it (one blank between pseudo-attributes,
        // double quotes) is never longer than as written: it goes over that,
        // after "<?xml ".
        const Chars target = Piece(node.name());
        const Chars data{target.begin + target.size + 1, static_cast<uint32_t>(declaration_.size())};
        std::memcpy(text_.data() + data.begin, declaration_.data(), declaration_.size());
        AddChild(Kind::kPi, target, data);
        return true;
      }
      case pugi::node_doctype: {
        if (!top || root_seen_ || doctype_seen_) return false;
        doctype_seen_ = true;
        const std::string_view name = value.substr(0, value.find_first_of(" \t\n["));
        if (!IsQName(name)) return false;
        AddChild(Kind::kDocType, Piece(name), Piece(value));
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
    const uint32_t id = Add(Kind::kElement, Piece(name), {});
    kids_.push_back(id);
    const size_t scope_mark = prefixes_.size();
    for (pugi::xml_attribute attr : node.attributes()) {
      const std::string_view attr_name = attr.name();
      if (!IsQName(attr_name)) return false;
      if (Prefix(attr_name) == "xmlns") prefixes_.push_back(attr_name.substr(6));
    }
    if (!Declared(Prefix(name))) return false;

    tree_.nodes[id].attributes.begin = static_cast<uint32_t>(tree_.attribute_ids.size());
    for (pugi::xml_attribute attr : node.attributes()) {
      const std::string_view attr_name = attr.name();
      for (pugi::xml_attribute other = node.first_attribute(); other != attr;
           other = other.next_attribute()) {
        if (attr_name == other.name()) return false;
      }
      const std::string_view prefix = Prefix(attr_name);
      if (prefix != "xmlns" && !Declared(prefix)) return false;
      const std::string_view raw = attr.value();
      if (raw.find('<') != std::string_view::npos) return false;
      const std::optional<Chars> value = Expanded(raw);
      if (!value) return false;
      const uint32_t attr_id = Add(Kind::kAttribute, Piece(attr_name), *value);
      tree_.attribute_ids.push_back(attr_id);
      // As in the DOM, a non-empty value is also the attribute's one text
      // child, which the tree makes from the attribute when asked.
      if (value->size != 0) {
        NodeRec& attr_rec = tree_.nodes[attr_id];
        attr_rec.children_begin = static_cast<uint32_t>(tree_.child_ids.size());
        attr_rec.children_count = 1;
        tree_.child_ids.push_back(attr_id | Tree::kAttributeText);
      }
    }
    NodeRec& rec = tree_.nodes[id];
    rec.attributes.size = static_cast<uint32_t>(tree_.attribute_ids.size()) - rec.attributes.begin;
    frames_.push_back(Frame{node, node.first_child(), id, kids_.size(), scope_mark});
    return true;
  }

  void Finish() {
    const Frame frame = frames_.back();
    frames_.pop_back();
    NodeRec& rec = tree_.nodes[frame.id];
    rec.end = tree_.nodes.size();
    rec.children_begin = static_cast<uint32_t>(tree_.child_ids.size());
    rec.children_count = static_cast<uint32_t>(kids_.size() - frame.kids_mark);
    tree_.child_ids.insert(tree_.child_ids.end(), kids_.begin() + frame.kids_mark, kids_.end());
    kids_.resize(frame.kids_mark);
    prefixes_.resize(frame.scope_mark);
    if (frame.id != 0) Release(frame.node);
  }

  // A converted node goes back to pugixml's pages (an element with what is
  // left of its subtree); its names and values stay in the text.
  static void Release(pugi::xml_node node) { node.parent().remove_child(node); }

  std::string& text_;
  const std::string declaration_;
  std::string scratch_;  // references expanded, before they go over the raw text
  Tree tree_;
  std::vector<Frame> frames_;
  std::vector<uint32_t> kids_;              // children of the open elements
  std::vector<std::string_view> prefixes_;  // namespace prefixes in scope
  bool top_seen_ = false;
  bool root_seen_ = false;
  bool doctype_seen_ = false;
};

}  // namespace

std::shared_ptr<const Tree> EmptyTree() {
  auto tree = std::make_shared<Tree>();
  tree->nodes.emplace_back().end = 1;
  return tree;
}

std::shared_ptr<const Tree> ParseTree(std::string bytes) {
  // Offsets into the tree are 32-bit and ids stay below
  // Tree::kAttributeText; no template comes near this size.
  constexpr size_t kMaxText = size_t{1} << 30;
  std::optional<DecodedText> decoded = DecodeDocument(std::move(bytes));
  if (!decoded || decoded->text.size() > kMaxText) return nullptr;
  // pugixml parses the text in place with the string's terminating NUL, as
  // it would its own copy (without, fragment mode may lose the last
  // character); it writes nothing but a NUL there.
  std::string& text = decoded->text;
  pugi::xml_document document;
  if (!document.load_buffer_inplace(text.data(), text.size() + 1, kParseOptions,
                                    pugi::encoding_utf8)) {
    return nullptr;
  }
  return Converter(text, std::move(decoded->declaration)).Run(document);
}

}  // namespace qmon::platform::xml::detail
