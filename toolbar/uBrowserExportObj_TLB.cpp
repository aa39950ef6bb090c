#include "toolbar/uBrowserExportObj_TLB.h"

#include "platform/components/comserver/ComServ.h"

const TTypeLibrary& BrowserExportObjTypeLibrary() {
  static const TTypeLibrary library = [] {
    TTypeLibrary l;
    l.Name = "uBrowserExportObj";
    l.HelpString = "Project1 Library";
    l.LibId = LIBID_uBrowserExportObj;
    l.Interfaces = {{"ITessalineBrowserObject",
                     "Dispatch interface for TessalineBrowserObject Object",
                     ITessalineBrowserObject::Iid,
                     {
                         {"About", 201, {}},
                         {"GetIdealBkColor", 202, {}, VT_UI4},
                         {"ClearExtraButtons", 203, {}},
                         {"AddExtraButton",
                          204,
                          {{"Caption", VT_BSTR},
                           {"ImageListId", VT_BSTR},
                           {"ImageIndex", VT_I4},
                           {"HRef", VT_BSTR},
                           {"Target", VT_BSTR, true, OleVariant("''")}}},
                         {"AddExtraSeparator", 205, {}},
                     }}};
    l.Classes = {{"TessalineBrowserObject", "TessalineBrowserObject Object", CLASS_TessalineBrowserObject,
                  ITessalineBrowserObject::Iid}};
    return l;
  }();
  return library;
}

void InitializeTypeLibraryUnit() {
  ComServer()->OnUpdateTypeLibrary = [](bool doRegister) {
    if (doRegister)
      RegisterTypeLibrary(BrowserExportObjTypeLibrary(), ComServer()->ServerFileName());
    else
      UnregisterTypeLibrary(BrowserExportObjTypeLibrary());
  };
}
