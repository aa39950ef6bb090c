// REGEDIT4 text: parsed into operations (all checked before any is applied) and applied inside registry
// transactions. Internal to the registry and the machine.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/winapi/advapi32/RegistryStore.h"

namespace vandrel::registry {

enum class Root { LocalMachine, CurrentUser, ClassesRoot };

struct TextOp {
  enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue } kind;
  Root root;
  std::vector<std::string> path;  // below the root key
  Value value;                    // SetValue: the value; DeleteValue: its name
};

struct ParsedText {
  std::vector<TextOp> ops;
  std::string error;  // "line N: ..." when the text is malformed
};

ParsedText ParseRegistryText(std::string_view text);
// Applies the operations; those of a root whose transaction is null are an error (ERROR_INVALID_PARAMETER).
DWORD ApplyRegistryText(const std::vector<TextOp>& ops, Transaction* machine, Transaction* user);

}  // namespace vandrel::registry
