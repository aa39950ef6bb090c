#include "platform/browser/HtmlPage.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/tree.h>

#include <climits>
#include <memory>

#include "platform/browser/Unicode.h"

namespace browser {
namespace {

bool Is(const xmlNode* node, const char* name) {
  return node->type == XML_ELEMENT_NODE && xmlStrcasecmp(node->name, BAD_CAST name) == 0;
}

std::string Attribute(xmlNode* node, const char* name) {
  xmlChar* value = xmlGetProp(node, BAD_CAST name);
  if (!value) return "";
  std::string text = reinterpret_cast<const char*>(value);
  xmlFree(value);
  return text;
}

bool HasAttribute(xmlNode* node, const char* name) { return xmlHasProp(node, BAD_CAST name) != nullptr; }

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return text;
}

// A script of no type, or of a JavaScript type or language.
bool IsJavaScript(xmlNode* node) {
  std::string type = Lower(Attribute(node, "type")), language = Lower(Attribute(node, "language"));
  for (const std::string& t : {type, language}) {
    if (t.empty()) continue;
    if (t.find("javascript") == std::string::npos && t.find("jscript") == std::string::npos &&
        t.find("ecmascript") == std::string::npos)
      return false;
  }
  return true;
}

std::string TextOf(xmlNode* node) {
  xmlChar* content = xmlNodeGetContent(node);
  if (!content) return "";
  std::string text = reinterpret_cast<const char*>(content);
  xmlFree(content);
  return text;
}

std::string Markup(xmlDoc* doc, xmlNode* node) {
  std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)> buffer(xmlBufferCreate(), xmlBufferFree);
  if (!buffer) return "";
  htmlNodeDump(buffer.get(), doc, node);
  return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                     size_t(xmlBufferLength(buffer.get())));
}

// Walks the tree in document order without recursion (pages may nest deeply).
template <class Visit>
void Walk(xmlNode* root, Visit visit) {
  xmlNode* node = root;
  while (node) {
    bool descend = visit(node);
    if (descend && node->children) {
      node = node->children;
      continue;
    }
    while (node && node != root && !node->next) node = node->parent;
    if (!node || node == root) break;
    node = node->next;
  }
}

}  // namespace

THtmlPage ParseHtmlPage(std::string_view bytes, const std::string& charset) {
  THtmlPage page;
  if (bytes.size() > size_t(INT_MAX)) return page;
  int options = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING;
  std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc(
      htmlReadMemory(bytes.data(), int(bytes.size()), nullptr, charset.empty() ? nullptr : charset.c_str(), options),
      xmlFreeDoc);
  if (!doc) return page;
  xmlNode* root = xmlDocGetRootElement(doc.get());
  if (!root) return page;
  xmlNode* body = nullptr;
  Walk(root, [&](xmlNode* node) {
    if (node->type != XML_ELEMENT_NODE) return false;
    if (Is(node, "title") && page.title.empty()) {
      page.title = Utf8ToUtf16(TextOf(node));
    } else if (Is(node, "body") && !body) {
      body = node;
    } else if (Is(node, "frame") || Is(node, "iframe")) {
      page.frames.push_back({Attribute(node, "src"), Attribute(node, "name")});
    } else if (Is(node, "script")) {
      if (!HasAttribute(node, "src") && IsJavaScript(node)) page.scripts.push_back(Utf8ToUtf16(TextOf(node)));
      return false;
    }
    return true;
  });
  if (body) {
    std::string markup;
    for (xmlNode* child = body->children; child; child = child->next) markup += Markup(doc.get(), child);
    page.bodyHtml = Utf8ToUtf16(markup);
  }
  return page;
}

}  // namespace browser
