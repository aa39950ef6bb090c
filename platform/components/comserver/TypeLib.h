// A module's type library as compiled-in description: the library, its dual interfaces with their methods
// (DISPIDs, parameters, optional ones with their defaults) and its classes. The COM server registers it
// (the keys under HKEY_CLASSES_ROOT "TypeLib" and "Interface" that the system's registration writes) and
// automation objects answer IDispatch from an interface's description.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "platform/com/DispatchTable.h"
#include "platform/com/Guid.h"

struct TTypeLibParam {
  std::string Name;
  VARTYPE Type;
  bool Optional = false;
  OleVariant Default;  // an optional parameter's value when the caller leaves it out
};

struct TTypeLibMethod {
  std::string Name;
  DISPID Id;
  std::vector<TTypeLibParam> Params;
  VARTYPE Result = VT_EMPTY;  // the [out, retval] parameter's type; VT_EMPTY for none
};

struct TTypeLibInterface {
  std::string Name, HelpString;
  IID Iid;
  std::vector<TTypeLibMethod> Methods;
};

struct TTypeLibClass {
  std::string Name, HelpString;
  CLSID Clsid;
  IID DefaultInterface;
};

struct TTypeLibrary {
  std::string Name, HelpString;
  GUID LibId;
  WORD MajorVersion = 1, MinorVersion = 0;
  std::vector<TTypeLibInterface> Interfaces;
  std::vector<TTypeLibClass> Classes;

  // The interface of that IID, or none.
  const TTypeLibInterface* FindInterface(REFIID iid) const;
  // "1.0"
  std::string VersionText() const;
};

// The proxy of dual interfaces, which marshals them through their type library.
inline constexpr CLSID CLSID_PSOAInterface = "{00020424-0000-0000-C000-000000000046}"_guid;

// Writes "TypeLib\{libid}\1.0" (help string; "0\win32" the file; "FLAGS" "0"; "HELPDIR" the file's
// folder) and, per interface, "Interface\{iid}" (its name; both proxy-stub classes; "TypeLib" the libid
// and its "Version"). A value that cannot be written raises EOleRegistrationError.
void RegisterTypeLibrary(const TTypeLibrary& library, const std::string& fileName);
// Removes what RegisterTypeLibrary wrote (the libid's key only when no other version is left); what is
// missing is ignored.
void UnregisterTypeLibrary(const TTypeLibrary& library);

// The dispatch table of the interface: each method with its DISPID and parameters, handled by the
// handler of its name; a method without a handler raises EOleError (a fault of the program).
TDispatchTable DispatchTableOf(const TTypeLibInterface& iface, std::string source,
                               const std::map<std::string, TDispatchTable::THandler>& handlers);
