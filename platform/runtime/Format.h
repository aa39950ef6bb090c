// Format of the component library: Format("%s=%s", {name, value}). Not printf: the conversions are
// %d %u %x %s %p and %%, written as "%" [index ":"] ["-"] [width] ["." precision] type, the type letter in
// either case; index, width and precision may be "*" (taken from the next argument, an integer).
//   %d %u  decimal (u: as unsigned); the precision is the least number of digits, zero-padded
//   %x     upper-case hexadecimal of the value's two's complement (32 bits, or 64 for 64-bit arguments);
//          the precision is the least number of digits ("%.2x" of 10 gives "0A")
//   %s     a string or a character; the precision is the most characters written
//   %p     a pointer, as upper-case hexadecimal of the pointer's full width
// The width pads with blanks on the left, or on the right after "-". An argument of the wrong kind, an
// unknown type letter, a lone "%" or a width or precision above 1048576 raise EConvertError "Format '%s' invalid or
// incompatible with argument"; running out of arguments raises EConvertError "No argument for format '%s'" (both with
// the whole format string). Floating-point conversions are not provided.
#pragma once
#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// One argument of Format. It converts implicitly from integers of any width, char, bool, strings,
// floating-point numbers and pointers. A string argument is referred to, not copied: build the argument
// list in the call itself.
class TVarRec {
 public:
  enum class TKind : uint8_t { Integer, Int64, String, Char, Extended, Boolean, Pointer };

  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char>) TVarRec(T value)
      : kind_(sizeof(T) < 4 || (sizeof(T) == 4 && std::signed_integral<T>) ? TKind::Integer : TKind::Int64),
        int_(static_cast<int64_t>(value)) {}
  TVarRec(bool value) : kind_(TKind::Boolean), int_(value) {}
  TVarRec(char value) : kind_(TKind::Char), int_(static_cast<unsigned char>(value)) {}
  TVarRec(double value) : kind_(TKind::Extended), double_(value) {}
  TVarRec(const char* value) : kind_(TKind::String), text_(value ? value : "") {}
  TVarRec(std::string_view value) : kind_(TKind::String), text_(value) {}
  TVarRec(const std::string& value) : kind_(TKind::String), text_(value) {}
  TVarRec(const void* value) : kind_(TKind::Pointer), pointer_(value) {}
  TVarRec(std::nullptr_t) : kind_(TKind::Pointer), pointer_(nullptr) {}

  TKind Kind() const { return kind_; }
  int64_t AsInt64() const { return int_; }
  double AsDouble() const { return double_; }
  std::string_view AsText() const { return text_; }
  const void* AsPointer() const { return pointer_; }

 private:
  TKind kind_;
  int64_t int_ = 0;
  double double_ = 0;
  std::string_view text_;
  const void* pointer_ = nullptr;
};

using TVarRecs = std::initializer_list<TVarRec>;

std::string Format(std::string_view format, TVarRecs args);
