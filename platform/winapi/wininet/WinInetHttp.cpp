// HTTP/1.x response reading for the internet client.
#include "platform/winapi/WinInetHttp.h"
#include "platform/runtime/Collation.h"

#include <algorithm>
#include <cstring>

#include "platform/winapi/WinInet.h"

namespace vandrel {
namespace {

constexpr size_t kFillSize = 16 * 1024;

bool IsTokenChar(unsigned char c) {
  if (c >= '0' && c <= '9') return true;
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') return true;
  return c != 0 && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Calls f on each comma-separated element, trimmed.
template <class F>
void ForEachElement(std::string_view list, F f) {
  while (true) {
    size_t comma = list.find(',');
    f(Trim(list.substr(0, comma)));
    if (comma == std::string_view::npos) return;
    list.remove_prefix(comma + 1);
  }
}

int HexValue(unsigned char c) {
  if (IsDigit(c)) return c - '0';
  c |= 0x20;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

HttpResponseReader::HttpResponseReader(HttpByteSource& source, bool headRequest)
    : source_(source), headRequest_(headRequest) {}

DWORD HttpResponseReader::Fail(DWORD error) {
  error_ = error;
  return error;
}

DWORD HttpResponseReader::Fill() {
  if (pos_ > 0 && pos_ >= buffer_.size() / 2) {
    buffer_.erase(0, pos_);
    scanned_ -= std::min(scanned_, pos_);
    pos_ = 0;
  }
  size_t old = buffer_.size();
  buffer_.resize(old + kFillSize);
  size_t got = 0;
  DWORD result = source_.Receive(buffer_.data() + old, kFillSize, got);
  buffer_.resize(old + (result == ERROR_SUCCESS ? got : 0));
  if (result == ERROR_SUCCESS && got == 0) eof_ = true;
  return result;
}

// One line without its ending (LF or CR LF), taken from the budget; the view lasts until the next read.
DWORD HttpResponseReader::ReadLine(std::string_view& line, size_t& budget) {
  for (;;) {
    size_t from = std::max(pos_, scanned_);
    size_t nl = buffer_.find('\n', from);
    if (nl != std::string::npos) {
      size_t length = nl + 1 - pos_;
      if (length > budget) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
      budget -= length;
      line = std::string_view(buffer_).substr(pos_, nl - pos_);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      pos_ = scanned_ = nl + 1;
      return ERROR_SUCCESS;
    }
    scanned_ = buffer_.size();
    if (buffer_.size() - pos_ > budget) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    if (eof_) return ERROR_INTERNET_CONNECTION_ABORTED;
    if (DWORD r = Fill()) return r;
  }
}

DWORD HttpResponseReader::ParseStatusLine(std::string_view line) {
  statusLine_.assign(line);
  // HTTP/1.x, one space, three digits, then an optional reason after a space.
  if (line.size() < 12 || line.substr(0, 7) != "HTTP/1." || !IsDigit(line[7]) || line[8] != ' ')
    return ERROR_HTTP_INVALID_SERVER_RESPONSE;
  if (!IsDigit(line[9]) || !IsDigit(line[10]) || !IsDigit(line[11]) || line[9] == '0')
    return ERROR_HTTP_INVALID_SERVER_RESPONSE;
  if (line.size() > 12 && line[12] != ' ') return ERROR_HTTP_INVALID_SERVER_RESPONSE;
  for (unsigned char c : line)
    if (c < 0x20 && c != '\t') return ERROR_HTTP_INVALID_SERVER_RESPONSE;
  version_.assign(line.substr(0, 8));
  status_ = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
  reason_.assign(line.size() > 12 ? line.substr(13) : std::string_view());
  return ERROR_SUCCESS;
}

DWORD HttpResponseReader::ParseHeaderLine(std::string_view line) {
  for (unsigned char c : line)
    if (c == 0 || c == '\r') return ERROR_HTTP_INVALID_SERVER_RESPONSE;
  if (line.front() == ' ' || line.front() == '\t') {  // continuation of the previous value
    if (headers_.empty()) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    std::string_view more = Trim(line);
    std::string& value = headers_.back().value;
    if (!more.empty()) value.append(value.empty() ? "" : " ").append(more);
    return ERROR_SUCCESS;
  }
  size_t colon = line.find(':');
  if (colon == std::string_view::npos || colon == 0) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
  for (size_t i = 0; i < colon; ++i)
    if (!IsTokenChar(static_cast<unsigned char>(line[i]))) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
  if (headers_.size() >= kMaxHeaders) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
  headers_.push_back({std::string(line.substr(0, colon)), std::string(Trim(line.substr(colon + 1)))});
  return ERROR_SUCCESS;
}

DWORD HttpResponseReader::ReadOneHead() {
  headers_.clear();
  std::string_view line;
  if (DWORD r = ReadLine(line, headBudget_)) return r;
  if (DWORD r = ParseStatusLine(line)) return r;
  for (;;) {
    if (DWORD r = ReadLine(line, headBudget_)) return r;
    if (line.empty()) return ERROR_SUCCESS;
    if (DWORD r = ParseHeaderLine(line)) return r;
  }
}

DWORD HttpResponseReader::ReadHead() {
  if (error_) return error_;
  for (;;) {
    if (DWORD r = ReadOneHead()) return Fail(r);
    if (status_ >= 200 || status_ == 101) break;
  }
  return Fail(DecideFraming());
}

DWORD HttpResponseReader::DecideFraming() {
  framing_ = Framing::None;
  if (headRequest_ || status_ < 200 || status_ == 204 || status_ == 304) return ERROR_SUCCESS;
  // Only chunked framing is understood: a body in any other transfer coding (gzip, ...) would be handed
  // over still encoded, so the response is refused.
  bool chunked = false, unknown = false;
  for (const HttpHeader& h : headers_) {
    if (!SameText(h.name, "Transfer-Encoding")) continue;
    ForEachElement(h.value, [&](std::string_view e) {
      if (e.empty() || SameText(e, "identity")) return;
      if (SameText(e, "chunked") && !chunked)
        chunked = true;
      else
        unknown = true;
    });
  }
  if (unknown) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
  if (chunked) {
    framing_ = Framing::Chunked;
    return ERROR_SUCCESS;
  }
  std::string length;
  bool valid = true;
  for (const HttpHeader& h : headers_) {
    if (!SameText(h.name, "Content-Length")) continue;
    ForEachElement(h.value, [&](std::string_view e) {
      bool digits =
          !e.empty() && e.size() <= 18 && std::all_of(e.begin(), e.end(), [](unsigned char c) { return IsDigit(c); });
      if (!digits || (!length.empty() && length != e)) valid = false;
      if (length.empty()) length.assign(e);
    });
  }
  if (!valid) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
  if (length.empty()) {
    framing_ = Framing::UntilClose;
    return ERROR_SUCCESS;
  }
  framing_ = Framing::Length;
  remaining_ = std::stoull(length);
  declared_ = int64_t(remaining_);
  return ERROR_SUCCESS;
}

int64_t HttpResponseReader::DeclaredLength() const { return framing_ == Framing::None ? 0 : declared_; }

const std::string* HttpResponseReader::FindHeader(std::string_view name, size_t index) const {
  for (const HttpHeader& h : headers_)
    if (SameText(h.name, name) && index-- == 0) return &h.value;
  return nullptr;
}

std::string HttpResponseReader::RawHeaders() const {
  std::string raw = statusLine_ + "\r\n";
  for (const HttpHeader& h : headers_) raw += h.name + ": " + h.value + "\r\n";
  return raw + "\r\n";
}

// Body bytes from the buffer, else straight from the source into the caller's memory; 0 at the end.
DWORD HttpResponseReader::TakeBody(char* out, size_t max, size_t& got) {
  got = 0;
  if (pos_ < buffer_.size()) {
    got = std::min(max, buffer_.size() - pos_);
    std::memcpy(out, buffer_.data() + pos_, got);
    pos_ += got;
    return ERROR_SUCCESS;
  }
  if (eof_) return ERROR_SUCCESS;
  DWORD result = source_.Receive(out, max, got);
  if (result == ERROR_SUCCESS && got == 0) eof_ = true;
  return result;
}

DWORD HttpResponseReader::ReadChunked(char* out, size_t max, size_t& got) {
  got = 0;
  while (got == 0) {
    std::string_view line;
    size_t lineBudget = 4096;
    switch (chunk_) {
      case ChunkState::Size: {
        if (DWORD r = ReadLine(line, lineBudget)) return r;
        uint64_t size = 0;
        size_t i = 0;
        for (; i < line.size() && HexValue(line[i]) >= 0; ++i) {
          if (i >= 15) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
          size = size * 16 + uint64_t(HexValue(line[i]));
        }
        std::string_view rest = Trim(line.substr(i));
        if (i == 0 || (!rest.empty() && rest.front() != ';')) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
        remaining_ = size;
        chunk_ = size == 0 ? ChunkState::Trailers : ChunkState::Data;
        break;
      }
      case ChunkState::Data: {
        if (DWORD r = TakeBody(out, size_t(std::min<uint64_t>(max, remaining_)), got)) return r;
        if (got == 0) return ERROR_INTERNET_CONNECTION_ABORTED;
        remaining_ -= got;
        if (remaining_ == 0) chunk_ = ChunkState::DataEnd;
        return ERROR_SUCCESS;
      }
      case ChunkState::DataEnd:
        lineBudget = 2;
        if (DWORD r = ReadLine(line, lineBudget)) return r;
        if (!line.empty()) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
        chunk_ = ChunkState::Size;
        break;
      case ChunkState::Trailers:
        if (DWORD r = ReadLine(line, trailerBudget_)) return r;
        if (line.empty()) chunk_ = ChunkState::Done;
        break;
      case ChunkState::Done: return ERROR_SUCCESS;
    }
  }
  return ERROR_SUCCESS;
}

DWORD HttpResponseReader::ReadBody(char* buffer, size_t size, size_t& received) {
  return ReadBodyBytes(buffer, size, received, false);
}

DWORD HttpResponseReader::ReadSomeBody(char* buffer, size_t size, size_t& received) {
  return ReadBodyBytes(buffer, size, received, true);
}

DWORD HttpResponseReader::ReadBodyBytes(char* buffer, size_t size, size_t& received, bool firstBytes) {
  received = 0;
  if (error_) return error_;
  while (received < size) {
    size_t got = 0;
    char* out = buffer + received;
    size_t room = size - received;
    switch (framing_) {
      case Framing::None: return ERROR_SUCCESS;
      case Framing::Length:
        if (remaining_ == 0) return ERROR_SUCCESS;
        if (DWORD r = TakeBody(out, size_t(std::min<uint64_t>(room, remaining_)), got)) return Fail(r);
        if (got == 0) return Fail(ERROR_INTERNET_CONNECTION_ABORTED);
        remaining_ -= got;
        break;
      case Framing::UntilClose:
        if (DWORD r = TakeBody(out, room, got)) return Fail(r);
        if (got == 0) return ERROR_SUCCESS;
        break;
      case Framing::Chunked:
        if (DWORD r = ReadChunked(out, room, got)) return Fail(r);
        if (got == 0) return ERROR_SUCCESS;
        break;
    }
    received += got;
    if (firstBytes) break;
  }
  return ERROR_SUCCESS;
}

}  // namespace vandrel
