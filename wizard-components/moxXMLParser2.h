// A small, lenient, non-validating XML reader and writer that keeps a document as a tree of elements. It
// reads one leading XML declaration, elements with attributes, empty-element tags, element texts and CDATA
// sections; everything else is read as ordinary tags and text. A parse reports errors as text.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/Lists.h"
#include "platform/runtime/Object.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/Variant.h"

class TmoxXMLParser2;

namespace mox_detail {
struct FreeObject {
  void operator()(TObject* object) const { object->Free(); }
};
template <class T>
using Owned = std::unique_ptr<T, FreeObject>;
}  // namespace mox_detail

// A list that owns its items: Clear and the destructor free them, in index order.
class TmoxXMLNodeList2 : public TList {
  VCL_CLASS(TmoxXMLNodeList2, TList)
  ~TmoxXMLNodeList2() override;
  static TmoxXMLNodeList2* Create() { return NewObject<TmoxXMLNodeList2>(); }

  void Clear() override;

  // The item at an index as the class it was added as (a node or an attribute).
  template <class T>
  T* Item(int index) const {
    return static_cast<T*>(static_cast<TObject*>(Items(index)));
  }
};

// A string list whose Clear and destructor free the objects attached to the strings.
class TmoxXPathParserList2 : public TStringList {
  VCL_CLASS(TmoxXPathParserList2, TStringList)
  ~TmoxXPathParserList2() override;
  static TmoxXPathParserList2* Create() { return NewObject<TmoxXPathParserList2>(); }

  void Clear() override;
};

// One attribute: its value and name.
class TmoxXMLAttribute2 : public TObject {
  VCL_CLASS(TmoxXMLAttribute2, TObject)
  std::string Value;
  std::string Name;

  void SetValue(const std::string& value) { Value = value; }
  void SetName(const std::string& name) { Name = name; }
};

// One element. Freeing it frees its whole subtree.
class TmoxXMLNode2 : public TObject {
  VCL_CLASS(TmoxXMLNode2, TObject)
  TmoxXMLNode2();
  ~TmoxXMLNode2() override;
  static TmoxXMLNode2* Create() { return NewObject<TmoxXMLNode2>(); }

  std::string Name;
  std::string Text;
  TmoxXMLParser2* Document = nullptr;  // the parser that made the node; empty on the root
  TmoxXMLNode2* Parent = nullptr;
  const mox_detail::Owned<TmoxXMLNodeList2> Children;    // TmoxXMLNode2 items, in document order
  const mox_detail::Owned<TmoxXMLNodeList2> Attributes;  // TmoxXMLAttribute2 items, by first appearance
  int32_t Position = 0;                                  // 1-based read position of a parse

  TmoxXMLNode2* Child(int index) const { return Children->Item<TmoxXMLNode2>(index); }
  TmoxXMLAttribute2* Attribute(int index) const { return Attributes->Item<TmoxXMLAttribute2>(index); }

  // An integer index selects by position (empty at or beyond the count; a negative one raises
  // EListError), a string index by name (empty when there is none); other kinds give the empty string.
  std::string GetAttribute(const Variant& index) const;
  // An integer index sets an existing attribute's value (a negative one raises EListError); a string index
  // sets the named attribute's value, or appends a new attribute; other kinds do nothing.
  void SetAttribute(const Variant& index, const std::string& value);
  // Position of the first attribute of exactly that name, or -1.
  int IndexOfAttribute(std::string_view name) const;

  void SetName(const std::string& name) { Name = name; }
  void SetText(const std::string& text) { Text = text; }

 private:
  // Moves the children into `out` without freeing them.
  void TakeChildren(std::vector<TmoxXMLNode2*>& out);
};

// The parser; the object itself is the document's root element.
class TmoxXMLParser2 : public TmoxXMLNode2 {
  VCL_CLASS(TmoxXMLParser2, TmoxXMLNode2)
  TmoxXMLParser2();
  ~TmoxXMLParser2() override;
  static TmoxXMLParser2* Create() { return NewObject<TmoxXMLParser2>(); }

  std::string Source;
  std::string LastError;                                   // of the last parse; empty after a successful one
  const mox_detail::Owned<TmoxXMLNode2> Declaration;       // attributes of the XML declaration
  const mox_detail::Owned<TmoxXPathParserList2> PathList;  // cleared by every parse
  int32_t GrowthStep = 65536;                              // first capacity of the output buffer, and its least growth

  // Stores the text and parses it; the error text goes to LastError. A malformed attribute list in the
  // XML declaration raises to the caller instead.
  void SetXml(const std::string& text);
  // Builds the tree from Source; returns the error text, empty on success.
  std::string Parse();
  // The declaration and the tree as text.
  std::string GetXml() const;

 private:
  std::string ErrorText(const std::string& message) const;
};
