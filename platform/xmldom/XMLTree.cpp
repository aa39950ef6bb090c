#include "platform/xmldom/XMLTree.h"

#include <libxml/tree.h>

#include <array>
#include <cstdint>
#include <cstring>

#include "platform/runtime/Cp1250.h"

namespace xmltree {

namespace {

std::string_view View(const xmlChar* text) {
  return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

bool WhiteSpaceOnly(const xmlChar* text) {
  for (const xmlChar* p = text; p && *p; ++p)
    if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') return false;
  return true;
}

bool IsListedChild(const xmlNode* c, bool preserveWhiteSpace) {
  switch (c->type) {
    case XML_TEXT_NODE: return preserveWhiteSpace || !WhiteSpaceOnly(c->content);
    case XML_ELEMENT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
    case XML_ENTITY_REF_NODE: return true;
    default: return false;  // the document type and its declarations
  }
}

NodeRef SkipUnlisted(xmlNode* c, bool preserveWhiteSpace) {
  while (c && !IsListedChild(c, preserveWhiteSpace)) c = c->next;
  return {c, nullptr};
}

// Code points up to the highest that code page 1250 holds (U+2122), each with its byte or 0.
struct Cp1250Bytes {
  std::array<uint8_t, 0x2123> of{};
  constexpr Cp1250Bytes() {
    for (unsigned b = 0x80; b <= 0xFF; ++b) of[cp1250::ToUnicode(static_cast<unsigned char>(b))] = uint8_t(b);
  }
};
constexpr Cp1250Bytes kCp1250;

}  // namespace

NodeRef DocumentNode(xmlDoc* doc) { return {reinterpret_cast<xmlNode*>(doc), nullptr}; }

DOMNodeType TypeOf(const NodeRef& ref) {
  if (ref.declaration) return NODE_ATTRIBUTE;
  switch (ref.node->type) {
    case XML_ELEMENT_NODE: return NODE_ELEMENT;
    case XML_ATTRIBUTE_NODE: return NODE_ATTRIBUTE;
    case XML_TEXT_NODE: return NODE_TEXT;
    case XML_CDATA_SECTION_NODE: return NODE_CDATA_SECTION;
    case XML_ENTITY_REF_NODE: return NODE_ENTITY_REFERENCE;
    case XML_PI_NODE: return NODE_PROCESSING_INSTRUCTION;
    case XML_COMMENT_NODE: return NODE_COMMENT;
    case XML_DOCUMENT_NODE: return NODE_DOCUMENT;
    default: return NODE_INVALID;
  }
}

NodeRef FirstChild(const NodeRef& parent, bool preserveWhiteSpace) {
  if (parent.declaration || parent.node->type == XML_ATTRIBUTE_NODE) return {};
  return SkipUnlisted(parent.node->children, preserveWhiteSpace);
}

NodeRef NextChild(const NodeRef& child, bool preserveWhiteSpace) {
  return SkipUnlisted(child.node->next, preserveWhiteSpace);
}

NodeRef FirstAttribute(const NodeRef& element) {
  if (element.declaration || element.node->type != XML_ELEMENT_NODE) return {};
  if (element.node->nsDef) return {element.node, element.node->nsDef};
  return {reinterpret_cast<xmlNode*>(element.node->properties), nullptr};
}

NodeRef NextAttribute(const NodeRef& attribute) {
  if (!attribute.declaration) return {attribute.node->next, nullptr};
  if (attribute.declaration->next) return {attribute.node, attribute.declaration->next};
  return {reinterpret_cast<xmlNode*>(attribute.node->properties), nullptr};
}

void AppendChildren(const NodeRef& parent, bool preserveWhiteSpace, std::vector<NodeRef>& out) {
  for (NodeRef r = FirstChild(parent, preserveWhiteSpace); r; r = SkipUnlisted(r.node->next, preserveWhiteSpace))
    out.push_back(r);
}

void AppendAttributes(const NodeRef& element, std::vector<NodeRef>& out) {
  NodeRef first = FirstAttribute(element);
  if (!first) return;
  if (first.declaration) {
    for (xmlNs* ns = first.declaration; ns; ns = ns->next) out.push_back({element.node, ns});
    first = {reinterpret_cast<xmlNode*>(element.node->properties), nullptr};
  }
  for (xmlNode* a = first.node; a; a = a->next) out.push_back({a, nullptr});
}

Name NameOf(const NodeRef& ref) {
  if (ref.declaration) {
    if (ref.declaration->prefix) return {"xmlns", View(ref.declaration->prefix)};
    return {{}, "xmlns"};
  }
  switch (ref.node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
      return {ref.node->ns ? View(ref.node->ns->prefix) : std::string_view(), View(ref.node->name)};
    case XML_TEXT_NODE: return {{}, "#text"};
    case XML_CDATA_SECTION_NODE: return {{}, "#cdata-section"};
    case XML_COMMENT_NODE: return {{}, "#comment"};
    case XML_DOCUMENT_NODE: return {{}, "#document"};
    default: return {{}, View(ref.node->name)};
  }
}

NameKey NameKeyOf(const NodeRef& ref) {
  if (ref.declaration) return {nullptr, ref.declaration->prefix, -1};
  int kind = ref.node->type;
  switch (ref.node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
      return {ref.node->ns ? ref.node->ns->prefix : nullptr, ref.node->name, kind};
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_DOCUMENT_NODE: return {nullptr, nullptr, kind};
    default: return {nullptr, ref.node->name, kind};
  }
}

bool ValueOf(const NodeRef& ref, std::string_view& value, std::string& spill) {
  if (ref.declaration) {
    value = View(ref.declaration->href);
    return true;
  }
  switch (ref.node->type) {
    case XML_ELEMENT_NODE:
    case XML_ENTITY_REF_NODE:
    case XML_DOCUMENT_NODE: return false;
    case XML_ATTRIBUTE_NODE: {
      const xmlNode* text = ref.node->children;
      if (!text || (text->type == XML_TEXT_NODE && !text->next)) {
        value = text ? View(text->content) : std::string_view();
        return true;
      }
      xmlChar* content = xmlNodeGetContent(ref.node);
      spill.assign(View(content));
      xmlFree(content);
      value = spill;
      return true;
    }
    default: value = View(ref.node->content); return true;
  }
}

void AppendCp1250(std::string_view utf8, std::string& out) {
  // ASCII is the same in both, and most names and texts are nothing else: it is found eight bytes a step.
  size_t ascii = 0;
  for (uint64_t word; ascii + 8 <= utf8.size(); ascii += 8) {
    std::memcpy(&word, utf8.data() + ascii, 8);
    if (word & 0x8080808080808080u) break;
  }
  while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80) ++ascii;
  if (ascii == utf8.size()) {
    out.append(utf8);
    return;
  }
  out.reserve(out.size() + utf8.size());
  out.append(utf8.substr(0, ascii));
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data()) + ascii;
  const auto* end = reinterpret_cast<const unsigned char*>(utf8.data()) + utf8.size();
  while (p < end) {
    if (*p < 0x80) {
      out += char(*p++);
      continue;
    }
    char32_t cp;
    int extra;
    if ((*p & 0xE0) == 0xC0) cp = *p & 0x1F, extra = 1;
    else if ((*p & 0xF0) == 0xE0) cp = *p & 0x0F, extra = 2;
    else cp = *p & 0x07, extra = 3;
    ++p;
    for (int k = 0; k < extra && p < end && (*p & 0xC0) == 0x80; ++k) cp = (cp << 6) | (*p++ & 0x3F);
    uint8_t b = cp < kCp1250.of.size() ? kCp1250.of[cp] : 0;
    out += cp < 0x80 ? char(cp) : b ? char(b) : '?';
  }
}

}  // namespace xmltree
