// Macro expansion: names between two "%%" in definition sources and action URLs replaced by their values,
// from the six built-ins and from the band's control values.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/runtime/Object.h"
#include "platform/runtime/Strings.h"

// Gives the text of a macro from its name and the caller's context object.
using TMacroHandler = std::function<std::string(const std::string& name, TObject* context)>;

struct TMacroEntry {
  std::string Name;
  TMacroHandler Handler;
};

// Expands the names of table entries 0..highIndex (compared without regard to letter case, first match
// wins); an unknown name stays with its delimiters; inserted values are not expanded again. An opening
// "%%" without a closing one raises "End of macro \"%s\" not found" with the rest of the text.
std::string ExpandMacroTable(const std::string& text, const std::vector<TMacroEntry>& table, int highIndex,
                             TObject* context);
// The built-ins: installdir, installdirurl, toolbarversion, toolbarguid, toolbarmachineid, toolbaruserid.
std::string ExpandMacros(const std::string& text, TObject* context);
// The values of a list of name=value lines (the first line of a name; names in either letter case).
std::string ExpandMacrosFromList(const std::string& text, const TStrings& list);

// The built-in table (six entries).
const std::vector<TMacroEntry>& BuiltInMacros();
