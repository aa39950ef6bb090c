#include "platform/runtime/Format.h"

#include <climits>

#include "platform/runtime/Exceptions.h"

namespace {

[[noreturn]] void InvalidFormat(std::string_view format) {
  throw EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

[[noreturn]] void MissingArgument(std::string_view format) {
  throw EConvertError("No argument for format '" + std::string(format) + "'");
}

// Digits of an unsigned value in base 10 or 16 (upper case), at least minDigits of them.
std::string Digits(uint64_t value, unsigned base, int minDigits) {
  char buffer[24];
  int n = 0;
  do {
    buffer[n++] = "0123456789ABCDEF"[value % base];
    value /= base;
  } while (value);
  std::string out;
  if (minDigits > n) out.append(minDigits - n, '0');
  while (n) out += buffer[--n];
  return out;
}

class TFormatter {
 public:
  TFormatter(std::string_view format, TVarRecs args) : format_(format), args_(args) {}

  std::string Run() {
    std::string out;
    out.reserve(format_.size() + 16 * args_.size());
    size_t i = 0;
    while (i < format_.size()) {
      size_t percent = format_.find('%', i);
      if (percent == std::string_view::npos) percent = format_.size();
      out.append(format_.substr(i, percent - i));
      i = percent;
      if (i < format_.size()) i = Conversion(i + 1, out);
    }
    return out;
  }

 private:
  static constexpr int kNone = -1;
  static constexpr int kMaxNumber = 1 << 20;  // widths and precisions beyond are refused, not allocated

  // One conversion after its "%"; returns the index behind it.
  size_t Conversion(size_t i, std::string& out) {
    if (i >= format_.size()) InvalidFormat(format_);
    if (format_[i] == '%') {
      out += '%';
      return i + 1;
    }
    int number = Number(i);
    if (i < format_.size() && format_[i] == ':') {
      if (number == kNone) InvalidFormat(format_);
      next_ = static_cast<size_t>(number);
      ++i;
      number = kNone;
    }
    bool left = false;
    if (number == kNone && i < format_.size() && format_[i] == '-') {
      left = true;
      ++i;
    }
    int width = number == kNone ? Number(i) : number;
    int precision = kNone;
    if (i < format_.size() && format_[i] == '.') {
      ++i;
      precision = Number(i);
      if (precision == kNone) precision = 0;
    }
    if (i >= format_.size()) InvalidFormat(format_);
    char type = format_[i] | 0x20;  // the letter in lower case
    std::string text = Convert(type, precision, Take());
    if (width > 0 && static_cast<size_t>(width) > text.size()) {
      if (left)
        text.append(width - text.size(), ' ');
      else
        text.insert(0, width - text.size(), ' ');
    }
    out += text;
    return i + 1;
  }

  // A decimal number or "*" (the next argument) at i; kNone when there is neither.
  int Number(size_t& i) {
    if (i < format_.size() && format_[i] == '*') {
      ++i;
      const TVarRec& arg = Take();
      if (arg.Kind() != TVarRec::TKind::Integer &&
          !(arg.Kind() == TVarRec::TKind::Int64 && arg.AsInt64() >= INT_MIN && arg.AsInt64() <= INT_MAX))
        InvalidFormat(format_);
      int value = static_cast<int>(arg.AsInt64());
      if (value > kMaxNumber) InvalidFormat(format_);
      return value < 0 ? 0 : value;
    }
    if (i >= format_.size() || format_[i] < '0' || format_[i] > '9') return kNone;
    int64_t value = 0;
    while (i < format_.size() && format_[i] >= '0' && format_[i] <= '9') {
      value = value * 10 + (format_[i] - '0');
      if (value > kMaxNumber) InvalidFormat(format_);
      ++i;
    }
    return static_cast<int>(value);
  }

  const TVarRec& Take() {
    if (next_ >= args_.size()) MissingArgument(format_);
    return args_.begin()[next_++];
  }

  std::string Convert(char type, int precision, const TVarRec& arg) {
    using K = TVarRec::TKind;
    const bool integer = arg.Kind() == K::Integer || arg.Kind() == K::Int64;
    const bool wide = arg.Kind() == K::Int64;
    switch (type) {
      case 'd': {
        if (!integer) break;
        int64_t v = arg.AsInt64();
        uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        return (v < 0 ? "-" : "") + Digits(magnitude, 10, precision);
      }
      case 'u':
        if (!integer) break;
        return Digits(wide ? static_cast<uint64_t>(arg.AsInt64()) : static_cast<uint32_t>(arg.AsInt64()), 10,
                      precision);
      case 'x':
        if (!integer) break;
        return Digits(wide ? static_cast<uint64_t>(arg.AsInt64()) : static_cast<uint32_t>(arg.AsInt64()), 16,
                      precision);
      case 's': {
        std::string_view text;
        char c;
        if (arg.Kind() == K::String) {
          text = arg.AsText();
        } else if (arg.Kind() == K::Char) {
          c = static_cast<char>(arg.AsInt64());
          text = std::string_view(&c, 1);
        } else {
          break;
        }
        if (precision != kNone && static_cast<size_t>(precision) < text.size()) text = text.substr(0, precision);
        return std::string(text);
      }
      case 'p':
        if (arg.Kind() != K::Pointer) break;
        return Digits(reinterpret_cast<uintptr_t>(arg.AsPointer()), 16, 2 * sizeof(void*));
      default: break;
    }
    InvalidFormat(format_);
  }

  std::string_view format_;
  TVarRecs args_;
  size_t next_ = 0;
};

}  // namespace

std::string Format(std::string_view format, TVarRecs args) { return TFormatter(format, args).Run(); }
