// The document and window interfaces of a page, as far as a host reaches them: a document's window, and
// a window's document. Everything else of a page is reached by late binding.
#pragma once
#include "platform/com/Dispatch.h"

struct IHTMLDocument2;

struct IHTMLWindow2 : IDispatch {
  COM_INTERFACE(IDispatch, "{332C4427-26CB-11D0-B483-00C04FD90119}");
  virtual HRESULT get_document(IHTMLDocument2** document) = 0;
};

struct IHTMLDocument2 : IDispatch {
  COM_INTERFACE(IDispatch, "{332C4425-26CB-11D0-B483-00C04FD90119}");
  // The window that shows the document (a new one for each document).
  virtual HRESULT get_parentWindow(IHTMLWindow2** window) = 0;
};
