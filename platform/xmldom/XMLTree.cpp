#include "platform/xmldom/XMLTree.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/runtime/Cp1250.h"

namespace xmltree {

// Nodes and texts of a tree in blocks; names live in libxml2's dictionary of the parse, which the tree
// holds on to, as it holds libxml2's document when the texts are that document's.
struct Tree::Store {
  static constexpr size_t kNodeBlock = 256, kTextBlock = 16384;
  std::vector<std::unique_ptr<TreeNode[]>> nodeBlocks;
  size_t nodesLeft = 0;
  std::vector<std::unique_ptr<char[]>> textBlocks;
  char* text = nullptr;
  size_t textLeft = 0;
  xmlDictPtr dict = nullptr;
  xmlDocPtr doc = nullptr;

  ~Store() {
    if (doc) xmlFreeDoc(doc);
    if (dict) xmlDictFree(dict);
  }
};

Tree::Tree() : store_(std::make_unique<Store>()) {
  document_.type = NODE_DOCUMENT;
  document_.local = "#document";
}

Tree::~Tree() = default;

namespace {

std::string_view View(const xmlChar* text) {
  return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

bool WhiteSpaceOnly(std::string_view text) {
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  return true;
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

// Makes the nodes and texts of a tree.
class TreeBuilder {
 public:
  TreeBuilder(Tree& tree, xmlDictPtr dict) : tree_(tree), store_(*tree.store_) {
    if (dict && !store_.dict) {
      xmlDictReference(dict);
      store_.dict = dict;
    }
  }

  TreeNode* Document() { return &tree_.document_; }

  TreeNode* NewNode(DOMNodeType type) {
    if (store_.nodesLeft == 0) {
      store_.nodeBlocks.push_back(std::make_unique<TreeNode[]>(Tree::Store::kNodeBlock));
      store_.nodesLeft = Tree::Store::kNodeBlock;
    }
    TreeNode* node = &store_.nodeBlocks.back()[Tree::Store::kNodeBlock - store_.nodesLeft--];
    node->type = type;
    return node;
  }

  // A copy kept by the tree, followed by a 0 byte.
  std::string_view Copy(std::string_view text) {
    if (text.empty()) return std::string_view("", 0);
    char* at;
    if (text.size() + 1 > Tree::Store::kTextBlock / 4) {
      store_.textBlocks.push_back(std::make_unique<char[]>(text.size() + 1));
      at = store_.textBlocks.back().get();
      // the current block stays current
      std::memcpy(at, text.data(), text.size());
      at[text.size()] = 0;
      return std::string_view(at, text.size());
    }
    if (text.size() + 1 > store_.textLeft) {
      store_.textBlocks.push_back(std::make_unique<char[]>(Tree::Store::kTextBlock));
      store_.text = store_.textBlocks.back().get();
      store_.textLeft = Tree::Store::kTextBlock;
    }
    at = store_.text;
    std::memcpy(at, text.data(), text.size());
    at[text.size()] = 0;
    store_.text += text.size() + 1;
    store_.textLeft -= text.size() + 1;
    return std::string_view(at, text.size());
  }

  // The texts of libxml2's document that the tree takes over stay where they are.
  void Adopt(xmlDocPtr doc) { store_.doc = doc; }
  std::string_view DocumentText(const xmlChar* text) { return store_.doc && text ? View(text) : Copy(View(text)); }

  // A name of the parse's dictionary as it is, any other name entered into it first.
  std::string_view DictName(const xmlChar* name) { return View(name); }
  std::string_view Name(const xmlChar* name) {
    if (!name) return {};
    if (!store_.dict) return Copy(View(name));
    if (xmlDictOwns(store_.dict, name) == 1) return View(name);
    return View(xmlDictLookup(store_.dict, name, -1));
  }

  // Appends a node to the children or the attributes ending at `last`.
  static void Link(TreeNode*& first, TreeNode*& last, TreeNode* node) {
    if (last)
      last->next = node;
    else
      first = node;
    last = node;
  }

 private:
  Tree& tree_;
  Tree::Store& store_;
};

namespace {

// ---- errors ----

// The first error of a parse (warnings pass, except a reference to an undeclared entity).
struct ParseOutcome {
  bool failed = false;
  ParseError error;

  void Fail(LONG errorCode, std::string text, LONG atLine, LONG atColumn) {
    if (failed) return;
    for (char& c : text)
      if (c == '\n') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    failed = true;
    error = {errorCode, std::move(text), atLine, atColumn};
  }
  // Allocates nothing.
  void FailOutOfMemory() {
    if (failed) return;
    failed = true;
    error.code = XML_ERR_NO_MEMORY;
    error.reason = "Out of memory";
  }
};

struct EventBuilder;

// What the callbacks of one parse reach through the parser context.
struct ParseState {
  ParseOutcome outcome;
  EventBuilder* events = nullptr;
};

ParseOutcome* OutcomeOf(xmlParserCtxtPtr ctxt) {
  return ctxt && ctxt->_private ? &static_cast<ParseState*>(ctxt->_private)->outcome : nullptr;
}

// Refuses every external resource (DTDs, external entities), which fails the document that needs one.
xmlParserInputPtr RefuseExternal(const char* url, const char*, xmlParserCtxtPtr ctxt) {
  if (ParseOutcome* outcome = OutcomeOf(ctxt)) {
    xmlParserInputPtr document = ctxt->inputNr > 0 ? ctxt->inputTab[0] : ctxt->input;
    LONG line = document ? document->line : 0, column = document ? document->col : 0;
    try {
      outcome->Fail(XML_IO_LOAD_ERROR, std::string("External entity \"") + (url ? url : "") + "\" is not loaded", line,
                    column);
    } catch (...) {
      outcome->FailOutOfMemory();
    }
  }
  return nullptr;
}

void InitLibxml() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(RefuseExternal);
  });
}

void OnParseError(void* userData, xmlErrorPtr error) {
  ParseOutcome* outcome = OutcomeOf(static_cast<xmlParserCtxtPtr>(userData));
  if (!outcome || !error) return;
  if (error->level < XML_ERR_ERROR && error->code != XML_WAR_UNDECLARED_ENTITY) return;
  try {
    outcome->Fail(error->code, error->message ? error->message : "XML parse error", error->line, error->int2);
  } catch (...) {
    outcome->FailOutOfMemory();
  }
}

// Encoding failures are also reported to libxml2's generic channel (stderr); the parse error says it all.
void IgnoreGenericError(void*, const char*, ...) {}

constexpr int kParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOENT | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT;

// ---- a document without a document type, from the parser's events ----

// Builds what libxml2's own tree would hold: adjacent texts, and adjacent CDATA sections, make one node;
// attributes that only the document type would default are left out; "xml:id" values are checked as
// libxml2 checks them. A document type, which comes before any element, hands the rest of the parse back
// to libxml2's tree, together with the comments and processing instructions read before it.
struct EventBuilder {
  struct Open {
    TreeNode* node;
    TreeNode* last;
  };

  EventBuilder(Tree& tree, xmlParserCtxtPtr parser) : build(tree, parser->dict), ctxt(parser), own(*parser->sax) {
    open.push_back({build.Document(), nullptr});
  }

  void Append(TreeNode* node) {
    Open& parent = open.back();
    TreeBuilder::Link(parent.node->children, parent.last, node);
  }

  void FlushText() {
    if (!pending) return;
    pending->value = build.Copy(text);
    pending->whiteSpace = pending->type == NODE_TEXT && WhiteSpaceOnly(text);
    pending = nullptr;
  }

  void AddText(DOMNodeType type, const xmlChar* chars, int length) {
    if (open.size() < 2) return;  // outside the root element
    if (!pending || pending->type != type) {
      FlushText();
      pending = build.NewNode(type);
      pending->local = type == NODE_TEXT ? "#text" : "#cdata-section";
      Append(pending);
      text.clear();
    }
    text.append(reinterpret_cast<const char*>(chars), size_t(length));
  }

  // The position libxml2 gives an error raised while a start tag is handled.
  LONG Line() const { return ctxt->input ? ctxt->input->line : 0; }
  LONG Column() const { return ctxt->input ? ctxt->input->col : 0; }

  void CheckXmlId(std::string_view value) {
    ParseOutcome* outcome = OutcomeOf(ctxt);
    std::string id(value);
    if (xmlValidateNCName(reinterpret_cast<const xmlChar*>(id.c_str()), 1) != 0 && outcome)
      outcome->Fail(XML_DTD_XMLID_VALUE, "xml:id : attribute value " + id + " is not an NCName", Line(), Column());
    if (!ids.insert(id).second && outcome)
      outcome->Fail(XML_DTD_ID_REDEFINED, "ID " + id + " already defined", Line(), Column());
  }

  void StartElement(const xmlChar* localname, const xmlChar* prefix, int namespaceCount, const xmlChar** namespaces,
                    int attributeCount, const xmlChar** attributes);
  // At a document type: libxml2's handlers build the rest, after the comments and processing
  // instructions read so far.
  void HandBack(const xmlChar* name, const xmlChar* externalId, const xmlChar* systemId);

  TreeBuilder build;
  xmlParserCtxtPtr ctxt;
  xmlSAXHandler own;  // libxml2's handlers, taken back at a document type
  std::vector<Open> open;
  TreeNode* pending = nullptr;  // the text or CDATA section being gathered, the last child
  std::string text;
  std::unordered_set<std::string> ids;
  bool handedBack = false;
};

// Runs a handler of the parser's events; a failed allocation stops the parse with an error rather than
// unwind through libxml2.
template <class Body>
void Safely(void* ctx, Body body) {
  auto* parser = static_cast<xmlParserCtxtPtr>(ctx);
  try {
    body(*static_cast<ParseState*>(parser->_private)->events);
  } catch (...) {
    if (ParseOutcome* outcome = OutcomeOf(parser)) outcome->FailOutOfMemory();
    xmlStopParser(parser);
  }
}

void OnStartElement(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar*, int namespaceCount,
                    const xmlChar** namespaces, int attributeCount, int defaultedCount, const xmlChar** attributes) {
  Safely(ctx, [&](EventBuilder& b) {
    b.StartElement(localname, prefix, namespaceCount, namespaces, attributeCount - defaultedCount, attributes);
  });
}

void EventBuilder::StartElement(const xmlChar* localname, const xmlChar* prefix, int namespaceCount,
                                const xmlChar** namespaces, int attributeCount, const xmlChar** attributes) {
  FlushText();
  TreeNode* element = build.NewNode(NODE_ELEMENT);
  element->prefix = build.DictName(prefix);
  element->local = build.DictName(localname);
  Append(element);
  TreeNode* last = nullptr;
  for (int i = 0; i < namespaceCount; ++i) {
    const xmlChar* declared = namespaces[2 * i];
    TreeNode* declaration = build.NewNode(NODE_ATTRIBUTE);
    if (declared) {
      declaration->prefix = "xmlns";
      declaration->local = build.DictName(declared);
    } else {
      declaration->local = "xmlns";
    }
    declaration->value = build.Copy(View(namespaces[2 * i + 1]));
    TreeBuilder::Link(element->attributes, last, declaration);
  }
  for (int i = 0; i < attributeCount; ++i) {
    const xmlChar** a = attributes + 5 * i;  // local name, prefix, URI, value, end of value
    TreeNode* attribute = build.NewNode(NODE_ATTRIBUTE);
    attribute->prefix = build.DictName(a[1]);
    attribute->local = build.DictName(a[0]);
    attribute->value = build.Copy(std::string_view(reinterpret_cast<const char*>(a[3]), size_t(a[4] - a[3])));
    TreeBuilder::Link(element->attributes, last, attribute);
    if (attribute->prefix == "xml" && attribute->local == "id") CheckXmlId(attribute->value);
  }
  open.push_back({element, nullptr});
}

void OnEndElement(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
  Safely(ctx, [](EventBuilder& b) {
    b.FlushText();
    if (b.open.size() > 1) b.open.pop_back();
  });
}

void OnCharacters(void* ctx, const xmlChar* chars, int length) {
  Safely(ctx, [&](EventBuilder& b) { b.AddText(NODE_TEXT, chars, length); });
}

void OnCData(void* ctx, const xmlChar* chars, int length) {
  Safely(ctx, [&](EventBuilder& b) { b.AddText(NODE_CDATA_SECTION, chars, length); });
}

void OnComment(void* ctx, const xmlChar* value) {
  Safely(ctx, [&](EventBuilder& b) {
    b.FlushText();
    TreeNode* comment = b.build.NewNode(NODE_COMMENT);
    comment->local = "#comment";
    comment->value = b.build.Copy(View(value));
    b.Append(comment);
  });
}

void OnProcessingInstruction(void* ctx, const xmlChar* target, const xmlChar* data) {
  Safely(ctx, [&](EventBuilder& b) {
    b.FlushText();
    TreeNode* pi = b.build.NewNode(NODE_PROCESSING_INSTRUCTION);
    pi->local = b.build.Name(target);
    pi->value = b.build.Copy(View(data));
    b.Append(pi);
  });
}

void OnDocumentType(void* ctx, const xmlChar* name, const xmlChar* externalId, const xmlChar* systemId) {
  Safely(ctx, [&](EventBuilder& b) { b.HandBack(name, externalId, systemId); });
}

void EventBuilder::HandBack(const xmlChar* name, const xmlChar* externalId, const xmlChar* systemId) {
  xmlSAXHandler* sax = ctxt->sax;
  sax->startElementNs = own.startElementNs;
  sax->endElementNs = own.endElementNs;
  sax->characters = own.characters;
  sax->ignorableWhitespace = own.ignorableWhitespace;
  sax->cdataBlock = own.cdataBlock;
  sax->comment = own.comment;
  sax->processingInstruction = own.processingInstruction;
  sax->internalSubset = own.internalSubset;
  handedBack = true;
  const int inSubset = ctxt->inSubset;  // what came before belongs to the document, not to its type
  ctxt->inSubset = 0;
  for (const TreeNode* n = build.Document()->children; n; n = n->next) {
    if (n->type == NODE_COMMENT && sax->comment) sax->comment(ctxt, BAD_CAST n->value.data());
    if (n->type == NODE_PROCESSING_INSTRUCTION && sax->processingInstruction)
      sax->processingInstruction(ctxt, BAD_CAST n->local.data(), BAD_CAST n->value.data());
  }
  ctxt->inSubset = inSubset;
  if (sax->internalSubset) sax->internalSubset(ctxt, name, externalId, systemId);
}

// ---- a document built by libxml2, copied ----

void CopyNodes(TreeBuilder& build, const xmlNode* from, TreeNode*& first);

TreeNode* CopyNode(TreeBuilder& build, const xmlNode* from) {
  TreeNode* node;
  switch (from->type) {
    case XML_ELEMENT_NODE: {
      node = build.NewNode(NODE_ELEMENT);
      node->prefix = from->ns ? build.Name(from->ns->prefix) : std::string_view();
      node->local = build.Name(from->name);
      TreeNode* last = nullptr;
      for (const xmlNs* ns = from->nsDef; ns; ns = ns->next) {
        TreeNode* declaration = build.NewNode(NODE_ATTRIBUTE);
        if (ns->prefix) {
          declaration->prefix = "xmlns";
          declaration->local = build.Name(ns->prefix);
        } else {
          declaration->local = "xmlns";
        }
        declaration->value = build.DocumentText(ns->href);
        TreeBuilder::Link(node->attributes, last, declaration);
      }
      for (const xmlAttr* a = from->properties; a; a = a->next) {
        TreeNode* attribute = build.NewNode(NODE_ATTRIBUTE);
        attribute->prefix = a->ns ? build.Name(a->ns->prefix) : std::string_view();
        attribute->local = build.Name(a->name);
        const xmlNode* text = a->children;
        if (!text || (text->type == XML_TEXT_NODE && !text->next)) {
          attribute->value = build.DocumentText(text ? text->content : nullptr);
        } else {
          xmlChar* content = xmlNodeGetContent(reinterpret_cast<const xmlNode*>(a));
          attribute->value = build.Copy(View(content));
          xmlFree(content);
        }
        TreeBuilder::Link(node->attributes, last, attribute);
      }
      CopyNodes(build, from->children, node->children);
      return node;
    }
    case XML_TEXT_NODE:
      node = build.NewNode(NODE_TEXT);
      node->local = "#text";
      node->value = build.DocumentText(from->content);
      node->whiteSpace = WhiteSpaceOnly(node->value);
      return node;
    case XML_CDATA_SECTION_NODE:
      node = build.NewNode(NODE_CDATA_SECTION);
      node->local = "#cdata-section";
      node->value = build.DocumentText(from->content);
      return node;
    case XML_COMMENT_NODE:
      node = build.NewNode(NODE_COMMENT);
      node->local = "#comment";
      node->value = build.DocumentText(from->content);
      return node;
    case XML_PI_NODE:
      node = build.NewNode(NODE_PROCESSING_INSTRUCTION);
      node->local = build.Name(from->name);
      node->value = build.DocumentText(from->content);
      return node;
    case XML_ENTITY_REF_NODE:
      node = build.NewNode(NODE_ENTITY_REFERENCE);
      node->local = build.Name(from->name);
      return node;
    default: return nullptr;  // the document type and its declarations
  }
}

void CopyNodes(TreeBuilder& build, const xmlNode* from, TreeNode*& first) {
  TreeNode* last = nullptr;
  for (; from; from = from->next)
    if (TreeNode* node = CopyNode(build, from)) TreeBuilder::Link(first, last, node);
}

}  // namespace

TreePtr Parse(std::string_view bytes, ParseError& error, TBuild build) {
  InitLibxml();
  error = ParseError{};
  ParseState state;
  std::unique_ptr<xmlParserCtxt, void (*)(xmlParserCtxtPtr)> ctxt(xmlNewParserCtxt(), xmlFreeParserCtxt);
  if (!ctxt) throw std::bad_alloc();
  ctxt->_private = &state;
  ctxt->sax->serror = OnParseError;
  xmlSetGenericErrorFunc(nullptr, IgnoreGenericError);  // per thread

  auto tree = std::make_shared<Tree>();
  std::unique_ptr<EventBuilder> events;
  if (build == TBuild::Fastest) {
    events = std::make_unique<EventBuilder>(*tree, ctxt.get());
    state.events = events.get();
    xmlSAXHandler* sax = ctxt->sax;
    sax->startElementNs = OnStartElement;
    sax->endElementNs = OnEndElement;
    sax->characters = OnCharacters;
    sax->ignorableWhitespace = OnCharacters;
    sax->cdataBlock = OnCData;
    sax->comment = OnComment;
    sax->processingInstruction = OnProcessingInstruction;
    sax->internalSubset = OnDocumentType;
  }
  if (bytes.size() > size_t(INT_MAX)) {
    error = {XML_ERR_INTERNAL_ERROR, "XML document too large", 0, 0};
    return nullptr;
  }
  static const char kEmpty = 0;
  std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> doc(
      xmlCtxtReadMemory(ctxt.get(), bytes.empty() ? &kEmpty : bytes.data(), int(bytes.size()), nullptr, nullptr,
                        kParseOptions),
      [](xmlDocPtr d) { xmlFreeDoc(d); });
  bool wellFormed = doc && ctxt->wellFormed && ctxt->nsWellFormed && !state.outcome.failed;
  if (!wellFormed) {
    state.outcome.Fail(XML_ERR_INTERNAL_ERROR, "The document is not well-formed", 0, 0);
    error = std::move(state.outcome.error);
    return nullptr;
  }
  if (events) events->FlushText();
  if (!events || events->handedBack) {
    tree = std::make_shared<Tree>();
    TreeBuilder copy(*tree, doc->dict);
    xmlDocPtr own = doc.release();
    copy.Adopt(own);
    CopyNodes(copy, own->children, copy.Document()->children);
  }
  return tree;
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
    char32_t cp = NextUtf8(p, end);
    uint8_t b = cp < kCp1250.of.size() ? kCp1250.of[cp] : 0;
    out += cp < 0x80 ? char(cp) : b ? char(b) : '?';
  }
}

}  // namespace xmltree
