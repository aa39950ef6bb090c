#include "wizard-components/moxXMLParser2.h"

#include <algorithm>
#include <climits>
#include <unordered_map>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/SysUtils.h"
#include "wizard-components/moxStrings.h"

namespace {

constexpr size_t kErrorDumpLimit = 65536;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string AttributeValue(const TmoxXMLNode2& node, std::string_view name) {
  const int i = node.IndexOfAttribute(name);
  return i < 0 ? std::string() : node.Attribute(i)->Value;
}

TmoxXMLAttribute2* AppendAttribute(TmoxXMLNode2& node, std::string_view name, const std::string& value) {
  mox_detail::Owned<TmoxXMLAttribute2> attribute(NewObject<TmoxXMLAttribute2>());
  attribute->Name = std::string(name);
  attribute->Value = value;
  node.Attributes->Add(static_cast<TObject*>(attribute.get()));
  return attribute.release();
}

void SetAttributeValue(TmoxXMLNode2& node, std::string_view name, const std::string& value) {
  if (const int i = node.IndexOfAttribute(name); i >= 0)
    node.Attribute(i)->Value = value;
  else
    AppendAttribute(node, name, value);
}

std::string_view TrimView(std::string_view s) {
  size_t begin = 0, end = s.size();
  while (begin < end && IsBlank(s[begin])) ++begin;
  while (end > begin && IsBlank(s[end - 1])) --end;
  return s.substr(begin, end - begin);
}

// Serializes into a string that stops growing at a limit; a cut output ends with "...".
class XmlWriter {
 public:
  XmlWriter(size_t initialCapacity, size_t limit) : limit_(limit) { out_.reserve(initialCapacity); }

  bool Full() const { return full_; }
  void Put(std::string_view piece) {
    if (full_ || piece.empty()) return;
    if (piece.size() > limit_ - out_.size()) {
      out_.append(piece.substr(0, limit_ - out_.size()));
      out_ += "...";
      full_ = true;
      return;
    }
    out_.append(piece);
  }
  void Indent(size_t depth) {
    if (full_) return;
    const size_t blanks = 2 * depth;
    if (blanks > limit_ - out_.size()) return Put(std::string(limit_ - out_.size() + 1, ' '));
    out_.append(blanks, ' ');
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
  size_t limit_;
  bool full_ = false;
};

// Writes an element's start tag and text; returns false when it was written as an empty-element tag.
bool WriteStart(XmlWriter& w, const TmoxXMLNode2& node, size_t depth) {
  w.Indent(depth);
  w.Put("<");
  w.Put(node.Name);
  for (int i = 0; i < node.Attributes->Count(); ++i) {
    const TmoxXMLAttribute2* a = node.Attribute(i);
    w.Put(" ");
    w.Put(a->Name);
    w.Put("='");
    w.Put(a->Value);
    w.Put("'");
  }
  if (node.Children->Count() == 0 && node.Text.empty()) {
    w.Put("/>");
    return false;
  }
  w.Put(">");
  if (node.Text.find_first_of("<>") != std::string::npos) {
    w.Put("<![CDATA[");
    w.Put(node.Text);
    w.Put("]]>");
  } else {
    w.Put(node.Text);
  }
  return true;
}

// The tree below `root`, depth first without recursion.
void WriteTree(XmlWriter& w, const TmoxXMLNode2& root) {
  struct Frame {
    const TmoxXMLNode2* node;
    int next;
  };
  std::vector<Frame> stack;
  if (WriteStart(w, root, 0)) stack.push_back({&root, 0});
  while (!stack.empty() && !w.Full()) {
    Frame& top = stack.back();
    if (top.next < top.node->Children->Count()) {
      const TmoxXMLNode2* child = top.node->Child(top.next++);
      w.Put("\r\n");
      if (WriteStart(w, *child, stack.size())) stack.push_back({child, 0});
    } else {
      w.Put("\r\n");
      w.Indent(stack.size() - 1);
      w.Put("</");
      w.Put(top.node->Name);
      w.Put(">");
      stack.pop_back();
    }
  }
}

std::string WriteXml(const TmoxXMLParser2& parser, size_t initialCapacity, size_t limit) {
  XmlWriter w(initialCapacity, limit);
  std::string version = AttributeValue(*parser.Declaration, "version");
  std::string encoding = AttributeValue(*parser.Declaration, "encoding");
  w.Put("<?xml version='");
  w.Put(version.empty() ? "1.0" : version);
  w.Put("' encoding='");
  w.Put(encoding.empty() ? "ISO-8859-1" : encoding);
  w.Put("' ?>\r\n");
  WriteTree(w, parser);
  return w.Take();
}

// Parses an attribute list into an element. Raises Exception with the parser's texts.
void ParseAttributes(TmoxXMLNode2& element, std::string_view rest) {
  // Many attributes in one tag would make the name lookups quadratic: index them once there are several.
  std::unordered_map<std::string_view, int> index;
  while (!rest.empty()) {
    const size_t eq = rest.find('=');
    if (eq == std::string_view::npos) throw Exception("missing = when parsing attributes");
    const char quote = eq + 1 < rest.size() ? rest[eq + 1] : '\0';
    if (quote != '"' && quote != '\'') throw Exception("missing value delimiter when parsing attributes");
    const size_t close = rest.find(quote, eq + 2);
    if (close == std::string_view::npos)
      throw Exception(std::string("Expected closing ") + quote + " when parsing attributes");
    const std::string_view name = TrimView(rest.substr(0, eq));
    const std::string value(rest.substr(eq + 2, close - eq - 2));
    rest.remove_prefix(close + 1);

    const int count = element.Attributes->Count();
    if (count < 8) {
      SetAttributeValue(element, name, value);
      continue;
    }
    if (index.empty())
      for (int i = count - 1; i >= 0; --i) index[element.Attribute(i)->Name] = i;
    if (auto found = index.find(name); found != index.end()) {
      element.Attribute(found->second)->Value = value;
    } else {
      index.emplace(AppendAttribute(element, name, value)->Name, count);
    }
  }
}

}  // namespace

// ---- TmoxXMLNodeList2

TmoxXMLNodeList2::~TmoxXMLNodeList2() { Clear(); }

void TmoxXMLNodeList2::Clear() {
  for (int i = 0; i < Count(); ++i) static_cast<TObject*>(Items(i))->Free();
  TList::Clear();
}

// ---- TmoxXPathParserList2

TmoxXPathParserList2::~TmoxXPathParserList2() { Clear(); }

void TmoxXPathParserList2::Clear() {
  for (int i = 0; i < Count(); ++i)
    if (TObject* object = Objects(i)) {
      SetObjects(i, nullptr);
      object->Free();
    }
  TStringList::Clear();
}

// ---- TmoxXMLNode2

TmoxXMLNode2::TmoxXMLNode2() : Children(TmoxXMLNodeList2::Create()), Attributes(TmoxXMLNodeList2::Create()) {}

TmoxXMLNode2::~TmoxXMLNode2() {
  // Deep documents would exhaust the stack if every node freed its children recursively: detach the
  // whole subtree first and free it from a work list.
  std::vector<TmoxXMLNode2*> pending;
  TakeChildren(pending);
  while (!pending.empty()) {
    TmoxXMLNode2* node = pending.back();
    pending.pop_back();
    node->TakeChildren(pending);
    node->Free();
  }
}

void TmoxXMLNode2::TakeChildren(std::vector<TmoxXMLNode2*>& out) {
  for (int i = 0; i < Children->Count(); ++i) out.push_back(Child(i));
  Children->TList::Clear();  // empties without freeing
}

namespace {

bool IsIntegerIndex(const Variant& index) {
  switch (index.Type()) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: return true;
    default: return false;
  }
}

// The position of an integer index; a negative one is rejected by the list's own index check.
int PositionOf(const Variant& index, const TmoxXMLNodeList2& list) {
  const int64_t position = index.AsInt64();
  if (position < 0) list.Items(int(std::max<int64_t>(position, INT32_MIN)));
  return int(std::min<int64_t>(position, INT32_MAX));
}

}  // namespace

std::string TmoxXMLNode2::GetAttribute(const Variant& index) const {
  if (IsIntegerIndex(index)) {
    const int position = PositionOf(index, *Attributes);
    return position < Attributes->Count() ? Attribute(position)->Value : std::string();
  }
  if (index.Type() == varString) return AttributeValue(*this, index.AsString());
  return std::string();
}

void TmoxXMLNode2::SetAttribute(const Variant& index, const std::string& value) {
  if (IsIntegerIndex(index)) {
    const int position = PositionOf(index, *Attributes);
    if (position < Attributes->Count()) Attribute(position)->Value = value;
  } else if (index.Type() == varString) {
    SetAttributeValue(*this, index.AsString(), value);
  }
}

int TmoxXMLNode2::IndexOfAttribute(std::string_view name) const {
  for (int i = 0; i < Attributes->Count(); ++i)
    if (Attribute(i)->Name == name) return i;
  return -1;
}

// ---- TmoxXMLParser2

TmoxXMLParser2::TmoxXMLParser2() : Declaration(TmoxXMLNode2::Create()), PathList(TmoxXPathParserList2::Create()) {}

TmoxXMLParser2::~TmoxXMLParser2() = default;

void TmoxXMLParser2::SetXml(const std::string& text) {
  Source = text;
  LastError = Parse();
}

std::string TmoxXMLParser2::GetXml() const { return WriteXml(*this, size_t(std::max(GrowthStep, 1)), SIZE_MAX - 4); }

std::string TmoxXMLParser2::ErrorText(const std::string& message) const {
  const int64_t from = Position >= 21 ? Position - 20 : 1;
  return message + " near " + Copy(Source, from, 50) + "\r\nError position=" + IntToStr(Position) + "\r\n" +
         WriteXml(*this, 4096, kErrorDumpLimit - 3);
}

namespace {

// The tag-by-tag reader. Positions are 1-based, as the parser's Position.
class Reader {
 public:
  explicit Reader(TmoxXMLParser2& parser) : parser_(parser), s_(parser.Source) {}

  void SetPosition(size_t position) { parser_.Position = int32_t(std::min<size_t>(position, INT32_MAX)); }
  size_t Position() const { return size_t(parser_.Position); }
  // 1-based position of the next occurrence from a 1-based start, 0 when none.
  size_t Find(std::string_view what, size_t from) const {
    return size_t(FindFrom(what, s_, int32_t(std::min<size_t>(from, INT32_MAX))));
  }
  bool At(size_t position, std::string_view what) const {
    return position >= 1 && s_.substr(position - 1, what.size()) == what;
  }
  // Characters from..to-1 (1-based), or none.
  std::string_view Between(size_t from, size_t to) const {
    return to > from ? s_.substr(from - 1, to - from) : std::string_view();
  }

  void ReadElements();

 private:
  void ReadText(TmoxXMLNode2& element);

  TmoxXMLParser2& parser_;
  std::string_view s_;
};

void Reader::ReadElements() {
  TmoxXMLNode2* current = nullptr;
  for (;;) {
    const size_t lt = Find("<", Position());
    SetPosition(lt);
    if (lt == 0) throw Exception("Missing <");
    const size_t gt = Find(">", lt);
    if (gt == 0) throw Exception("Missing >");
    std::string_view body = Between(lt + 1, gt);
    SetPosition(gt + 1);
    if (!body.empty() && body.front() == '/') {
      if (!current) throw Exception("End tag without a start tag");
      if (!current->Parent) return;
      current = current->Parent;
      continue;
    }
    const bool empty = !body.empty() && body.back() == '/';
    if (empty) body = TrimView(body.substr(0, body.size() - 1));
    const size_t blank = body.find(' ');
    const std::string_view name = body.substr(0, blank);
    const std::string_view attributes = blank == std::string_view::npos ? "" : TrimView(body.substr(blank + 1));

    TmoxXMLNode2* element = &parser_;
    if (current) {
      mox_detail::Owned<TmoxXMLNode2> child(TmoxXMLNode2::Create());
      child->Document = &parser_;
      current->Children->Add(static_cast<TObject*>(child.get()));
      element = child.release();
    }
    element->Name = std::string(name);
    element->Parent = current;
    if (!attributes.empty()) ParseAttributes(*element, attributes);
    if (!empty) {
      ReadText(*element);
      current = element;
    } else if (!current) {
      return;
    }
  }
}

void Reader::ReadText(TmoxXMLNode2& element) {
  const size_t lt = Find("<", Position());
  if (lt == 0) throw Exception("Expected < when parsing text");
  if (!At(lt, "<![CDATA[")) {
    element.Text = std::string(TrimView(Between(Position(), lt)));
    SetPosition(lt);
    return;
  }
  SetPosition(lt + 9);
  const size_t end = Find("]]>", Position());
  if (end == 0) throw Exception("Expected ]]> when parsing CDATA section");
  element.Text = std::string(TrimView(Between(Position(), end)));
  SetPosition(end + 3);
}

}  // namespace

std::string TmoxXMLParser2::Parse() {
  Attributes->Clear();
  Children->Clear();
  PathList->Clear();
  Name.clear();
  Text.clear();
  Position = 1;
  Reader reader(*this);
  const size_t lt = reader.Find("<", 1);
  if (lt > 0 && reader.At(lt, "<?xml")) {
    const size_t end = reader.Find("?>", lt);
    if (end == 0) return "Missing ?> in xml declaration.";
    reader.SetPosition(end + 2);
    ParseAttributes(*Declaration, TrimView(reader.Between(lt + 6, end)));
  }
  try {
    reader.ReadElements();
  } catch (const Exception& e) {
    return ErrorText(e.Message());
  }
  return std::string();
}
