// Exceptions of the component library. Each class reports its name through ClassName(); messages are
// CP1250 text. Raise by value, catch by reference: catch (const Exception& e).
#pragma once
#include <cstdint>
#include <exception>
#include <string>

#include "platform/runtime/Object.h"

class Exception : public std::exception {
 public:
  static constexpr TClassInfo ClassInfo_{"Exception", &TObject::ClassInfo_};
  static const TClassInfo* StaticClass() { return &ClassInfo_; }

  explicit Exception(std::string message) : message_(std::move(message)) {}

  virtual const TClassInfo* ClassType() const { return &ClassInfo_; }
  std::string ClassName() const { return ClassType()->Name; }
  bool InheritsFrom(const TClassInfo* cls) const { return ClassType()->InheritsFrom(cls); }

  const std::string& Message() const { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// Declares an exception class: its identity, and the constructors of its parent.
#define VCL_EXCEPTION(Self, Parent)                                      \
  class Self : public Parent {                                           \
   public:                                                               \
    using Parent::Parent;                                                \
    static constexpr TClassInfo ClassInfo_{#Self, &Parent::ClassInfo_};  \
    static const TClassInfo* StaticClass() { return &ClassInfo_; }       \
    const TClassInfo* ClassType() const override { return &ClassInfo_; } \
  }

// Silent abort: unwinds the current operation; the application's handler shows nothing.
VCL_EXCEPTION(EAbort, Exception);
VCL_EXCEPTION(EConvertError, Exception);
VCL_EXCEPTION(EListError, Exception);
VCL_EXCEPTION(EStringListError, EListError);
VCL_EXCEPTION(EStreamError, Exception);
VCL_EXCEPTION(EReadError, EStreamError);
VCL_EXCEPTION(EWriteError, EStreamError);
VCL_EXCEPTION(EFCreateError, EStreamError);
VCL_EXCEPTION(EFOpenError, EStreamError);
VCL_EXCEPTION(EOutOfMemory, Exception);
VCL_EXCEPTION(EIntOverflow, Exception);
VCL_EXCEPTION(ERangeError, Exception);
VCL_EXCEPTION(EInvalidCast, Exception);
VCL_EXCEPTION(EInvalidOperation, Exception);
VCL_EXCEPTION(EInvalidPointer, Exception);
VCL_EXCEPTION(EVariantError, Exception);
VCL_EXCEPTION(EThread, Exception);
VCL_EXCEPTION(EComponentError, Exception);

// An operating-system failure with its Win32 error code.
class EOSError : public Exception {
 public:
  static constexpr TClassInfo ClassInfo_{"EOSError", &Exception::ClassInfo_};
  static const TClassInfo* StaticClass() { return &ClassInfo_; }
  const TClassInfo* ClassType() const override { return &ClassInfo_; }

  EOSError(std::string message, uint32_t errorCode) : Exception(std::move(message)), errorCode_(errorCode) {}
  uint32_t ErrorCode() const { return errorCode_; }

 private:
  uint32_t errorCode_;
};

// Silent abort.
[[noreturn]] void Abort();

template <class T>
T* As(TObject* object) {
  if (!object) return nullptr;
  if (!object->Is<T>()) throw EInvalidCast("Invalid class typecast");
  return static_cast<T*>(object);
}
