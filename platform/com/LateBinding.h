// Late binding: properties and methods of an automation object reached by name through IDispatch, and
// automation objects created by their ProgID. Failures raise the OLE errors (OleError.h): EOleException
// with the server's own description when it gave one, else EOleSysError of the code.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/Dispatch.h"

// The DISPID of a member name (any letter case is the object's business); raises DISP_E_UNKNOWNNAME etc.
DISPID GetDispatchId(IDispatch* object, std::string_view name);
// Reads a property (with index arguments when given).
OleVariant GetDispatchProperty(IDispatch* object, std::string_view name, const std::vector<OleVariant>& args = {});
// Writes a property: one argument, named DISPID_PROPERTYPUT.
void SetDispatchProperty(IDispatch* object, std::string_view name, const OleVariant& value);
// Calls a method with positional arguments in their natural order; its result (empty when it has none).
OleVariant CallDispatchMethod(IDispatch* object, std::string_view name, const std::vector<OleVariant>& args = {});
// The same by DISPID, for any kind of call.
OleVariant InvokeDispatch(IDispatch* object, DISPID id, WORD flags, const std::vector<OleVariant>& args);

// Raises the error of a failed IDispatch::Invoke: EOleException from the exception information for
// DISP_E_EXCEPTION (its deferred fill-in run first; the strings are freed), else EOleSysError.
[[noreturn]] void DispatchInvokeError(HRESULT code, EXCEPINFO& info);

// The class id of a ProgID through CLSIDFromProgID; raises "Invalid class string" for an unknown one.
CLSID ProgIDToClassID(std::string_view progId);
// An object of the class the ProgID names, as IDispatch, through CoCreateInstance (in-process or local).
ComPtr<IDispatch> CreateOleObject(std::string_view progId);
