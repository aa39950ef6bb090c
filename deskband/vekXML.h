// Lookups over the XML document layer that every reader of the library uses (case-insensitive names,
// defaults, required items), and the factory of the DOM documents behind the layer.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/ComPtr.h"
#include "platform/runtime/Collation.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Variant.h"
#include "platform/xmldom/XMLDoc.h"

// A required child element or attribute is missing.
VCL_EXCEPTION(EXML, Exception);

[[noreturn]] void RaiseXMLError(const std::string& message);
[[noreturn]] void RaiseXMLErrorFmt(std::string_view format, TVarRecs args);

// The first element (or attribute, in a list of attributes) whose name equals `name` in any ASCII letter
// case; nullptr when none does. Processing instructions and the other kinds of nodes never match.
TXMLNode* FindNode(TXMLNodeList& list, std::string_view name);
// Whether the node is an element of that name (ASCII letter case ignored): a processing instruction or
// another kind of node of the same name is not.
bool IsElementNamed(TXMLNode* node, std::string_view name);
// FindNode over all child nodes of the node.
TXMLNode* FindChildNode(TXMLNode* node, std::string_view name);
// FindChildNode, or EXML "Can't find required subnode \"%s\" in node \"%s\"" (the name upper-cased, the
// parent's name as written).
TXMLNode* GetRequiredChildNode(TXMLNode* node, std::string_view name);

// The value of the first attribute whose name equals `name` in any ASCII letter case, as a string (an
// empty attribute gives ""); the default when there is none or its value is null.
Variant GetAttributeDef(TXMLNode* node, std::string_view name, const Variant& fallback);
// GetAttributeDef with a null default; null raises EXML "Can't find required attr \"%s\" in node \"%s\""
// (the name as given, the node's name as written).
Variant GetRequiredAttribute(TXMLNode* node, std::string_view name);
// The same lookups giving the text itself: none where GetAttributeDef gives the default.
std::optional<std::string> GetAttributeText(TXMLNode* node, std::string_view name);
std::string GetRequiredAttributeText(TXMLNode* node, std::string_view name);

// Tries the class ids from index `highIndex` down to 0 and keeps the first object created with S_OK; an
// unregistered class moves on, any other failure raises EOleSysError. `object` is empty when no class is
// registered.
void CreateFirstCOMObject(const CLSID* classIds, int highIndex, ComPtr<IUnknown>& object);
// A DOM document of the first class installed: version-independent, then 2.6, then 3.0. DOMException
// "Microsoft MSXML is not installed" when there is none.
ComPtr<IXMLDOMDocument> CreateMSXMLDocument();

// Installs CreateMSXMLDocument as the creator of the layer's DOM documents; runs once however often it is
// called (the unit's initialisation calls it when the library loads).
void InitializeXMLUnit();
