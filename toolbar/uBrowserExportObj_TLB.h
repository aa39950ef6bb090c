// The library's type library: the scriptable browser object's dual interface and class, and the hook
// through which the library's registration writes and removes the type library's keys.
#pragma once
#include "platform/com/Dispatch.h"
#include "platform/components/comserver/TypeLib.h"

using OLE_COLOR = uint32_t;

inline constexpr GUID LIBID_uBrowserExportObj = "{F0D1E6E0-B9B5-420D-9A9D-6B8A1DE85FC9}"_guid;
inline constexpr CLSID CLASS_TessalineBrowserObject = "{C1E91656-8004-4C01-A84A-93F399B4F7DD}"_guid;

// What page scripts reach (DISPIDs 201 to 205).
struct ITessalineBrowserObject : IDispatch {
  COM_INTERFACE(IDispatch, "{BC6A8BB3-5906-4437-9C72-A5D1B8386FC6}");
  virtual HRESULT About() = 0;
  virtual HRESULT GetIdealBkColor(OLE_COLOR* color) = 0;
  virtual HRESULT ClearExtraButtons() = 0;
  virtual HRESULT AddExtraButton(BSTR caption, BSTR imageListId, LONG imageIndex, BSTR href, BSTR target) = 0;
  virtual HRESULT AddExtraSeparator() = 0;
};

// The description, made once per process.
const TTypeLibrary& BrowserExportObjTypeLibrary();

// Lets the COM server's registration write (and remove) the type library under the library's file name.
void InitializeTypeLibraryUnit();
