#include "wizard-components/tests/moxTestSupport.h"

namespace mox_test {

std::string Describe(const TmoxXMLNode2& node) {
  std::string out = node.Name;
  if (node.Attributes->Count() > 0) {
    out += "[";
    for (int i = 0; i < node.Attributes->Count(); ++i)
      out += (i ? " " : "") + node.Attribute(i)->Name + "=" + node.Attribute(i)->Value;
    out += "]";
  }
  if (!node.Text.empty()) out += "'" + node.Text + "'";
  if (node.Children->Count() > 0) {
    out += "(";
    for (int i = 0; i < node.Children->Count(); ++i) out += (i ? "," : "") + Describe(*node.Child(i));
    out += ")";
  }
  return out;
}

}  // namespace mox_test
