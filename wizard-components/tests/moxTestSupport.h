// Helpers of the XML parser tests.
#pragma once
#include <memory>
#include <string>

#include "wizard-components/moxXMLParser2.h"

namespace mox_test {

using ParserPtr = std::unique_ptr<TmoxXMLParser2, mox_detail::FreeObject>;
inline ParserPtr Parser() { return ParserPtr(TmoxXMLParser2::Create()); }

// A compact picture of a tree: name, [attributes], 'text', (children).
std::string Describe(const TmoxXMLNode2& node);

}  // namespace mox_test
