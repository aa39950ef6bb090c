// The OLE error exceptions of the component library and the check that raises them for a failed HRESULT.
#pragma once
#include <string>

#include "platform/com/ComTypes.h"
#include "platform/runtime/Exceptions.h"

VCL_EXCEPTION(EOleError, Exception);

// A failed HRESULT. The message is the system text of the code, or "OLE error %.8X" when it has none.
class EOleSysError : public EOleError {
 public:
  static constexpr TClassInfo ClassInfo_{"EOleSysError", &EOleError::ClassInfo_};
  static const TClassInfo* StaticClass() { return &ClassInfo_; }
  const TClassInfo* ClassType() const override { return &ClassInfo_; }

  EOleSysError(std::string message, HRESULT errorCode) : EOleError(std::move(message)), errorCode_(errorCode) {}
  explicit EOleSysError(HRESULT errorCode);
  HRESULT ErrorCode() const { return errorCode_; }

 private:
  HRESULT errorCode_;
};

// A failure that an automation server described itself (source and help context).
class EOleException : public EOleSysError {
 public:
  static constexpr TClassInfo ClassInfo_{"EOleException", &EOleSysError::ClassInfo_};
  static const TClassInfo* StaticClass() { return &ClassInfo_; }
  const TClassInfo* ClassType() const override { return &ClassInfo_; }

  EOleException(std::string message, HRESULT errorCode, std::string source, std::string helpFile, int helpContext)
      : EOleSysError(std::move(message), errorCode),
        source_(std::move(source)),
        helpFile_(std::move(helpFile)),
        helpContext_(helpContext) {}
  const std::string& Source() const { return source_; }
  const std::string& HelpFile() const { return helpFile_; }
  int HelpContext() const { return helpContext_; }

 private:
  std::string source_, helpFile_;
  int helpContext_;
};

// The system text of an HRESULT ("" when it has none). Win32 codes wrapped in an HRESULT give the Win32 text.
std::string ComErrorMessage(HRESULT code);
// Raises EOleSysError for a failed code.
[[noreturn]] void OleError(HRESULT code);
// Raises EOleSysError when the code is a failure; returns it otherwise.
HRESULT OleCheck(HRESULT code);
