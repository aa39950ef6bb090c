// URL cracking and combining of the internet client: RFC 3986 splitting and reference resolution, without
// encoding or decoding anything.
//
// Backslashes: in an http or https URL, a backslash before the query or fragment is taken as a slash when a
// reference is combined with its base (in both), as browsers take it, so that relative names written with
// Windows separators ("images\logo.gif") resolve to the server's folders. Elsewhere (other schemes, queries,
// fragments, and InternetCrackUrlA, which only splits) a backslash is an ordinary character.
#include <cstring>

#include "platform/runtime/Collation.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/wininet/WinInetInternal.h"

namespace vandrel::wininet {
namespace {

bool IsAlpha(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool IsScheme(std::string_view s) {
  if (s.empty() || !IsAlpha(static_cast<unsigned char>(s[0]))) return false;
  for (unsigned char c : s)
    if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return false;
  return true;
}

void SplitAuthority(UrlParts& p) {
  std::string_view rest = p.authority;
  size_t at = rest.rfind('@');
  if (at != std::string_view::npos) {
    std::string_view info = rest.substr(0, at);
    size_t colon = info.find(':');
    p.hasUser = true;
    p.user = info.substr(0, colon);
    if (colon != std::string_view::npos) {
      p.hasPassword = true;
      p.password = info.substr(colon + 1);
    }
    rest.remove_prefix(at + 1);
  }
  size_t colon;
  if (!rest.empty() && rest.front() == '[') {
    size_t close = rest.find(']');
    if (close == std::string_view::npos) {
      p.host = rest;  // unterminated literal: left whole, refused by the caller
      return;
    }
    p.host = rest.substr(1, close - 1);
    colon = rest.find(':', close);
  } else {
    colon = rest.find(':');
    p.host = rest.substr(0, colon);
  }
  if (colon != std::string_view::npos) {
    p.hasPort = true;
    p.port = rest.substr(colon + 1);
  }
}

// Removes "." and ".." segments (RFC 3986, 5.2.4).
std::string RemoveDotSegments(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  auto dropLastSegment = [&out] {
    size_t slash = out.rfind('/');
    out.erase(slash == std::string::npos ? 0 : slash);
  };
  while (!in.empty()) {
    if (in.substr(0, 3) == "../") {
      in.remove_prefix(3);
    } else if (in.substr(0, 2) == "./") {
      in.remove_prefix(2);
    } else if (in.substr(0, 3) == "/./") {
      in.remove_prefix(2);
    } else if (in == "/.") {
      in = "/";
    } else if (in.substr(0, 4) == "/../") {
      in.remove_prefix(3);
      dropLastSegment();
    } else if (in == "/..") {
      in = "/";
      dropLastSegment();
    } else if (in == "." || in == "..") {
      in = {};
    } else {
      size_t next = in.find('/', 1);
      out.append(in.substr(0, next));
      in.remove_prefix(next == std::string_view::npos ? in.size() : next);
    }
  }
  return out;
}

bool IsWebScheme(std::string_view scheme) { return SameText(scheme, "http") || SameText(scheme, "https"); }

// Backslashes before the query or fragment become slashes.
std::string WithWebSlashes(std::string_view url) {
  std::string s(url);
  size_t end = s.find_first_of("?#");
  if (end == std::string::npos) end = s.size();
  for (size_t i = 0; i < end; ++i)
    if (s[i] == '\\') s[i] = '/';
  return s;
}

void AppendUrl(std::string& out, const UrlParts& p, std::string_view path) {
  if (p.hasScheme) out.append(p.scheme).append(":");
  if (p.hasAuthority) out.append("//").append(p.authority);
  out.append(path);
  if (p.hasQuery) out.append("?").append(p.query);
}

// Hands one part to the caller as a pointer into the URL or as a copy; false when a buffer is too small.
bool PutPart(LPSTR& pointer, DWORD& length, std::string_view part, bool present) {
  if (length == 0) return true;
  if (!pointer) {
    pointer = present ? const_cast<char*>(part.data()) : nullptr;
    length = DWORD(part.size());
    return true;
  }
  if (length <= part.size()) {
    length = DWORD(part.size() + 1);
    return false;
  }
  std::memcpy(pointer, part.data(), part.size());
  pointer[part.size()] = '\0';
  length = DWORD(part.size());
  return true;
}

}  // namespace

void SplitUrl(std::string_view url, UrlParts& p) {
  p = UrlParts();
  size_t stop = url.find_first_of(":/?#");
  if (stop != std::string_view::npos && url[stop] == ':' && IsScheme(url.substr(0, stop))) {
    p.hasScheme = true;
    p.scheme = url.substr(0, stop);
    url.remove_prefix(stop + 1);
  }
  if (url.substr(0, 2) == "//") {
    url.remove_prefix(2);
    size_t end = url.find_first_of("/?#");
    p.hasAuthority = true;
    p.authority = url.substr(0, end);
    url.remove_prefix(end == std::string_view::npos ? url.size() : end);
    SplitAuthority(p);
  }
  size_t end = url.find_first_of("?#");
  p.path = url.substr(0, end);
  url.remove_prefix(end == std::string_view::npos ? url.size() : end);
  if (!url.empty() && url.front() == '?') {
    end = url.find('#');
    p.hasQuery = true;
    p.query = url.substr(1, end == std::string_view::npos ? std::string_view::npos : end - 1);
    url.remove_prefix(end == std::string_view::npos ? url.size() : end);
  }
  if (!url.empty() && url.front() == '#') {
    p.hasFragment = true;
    p.fragment = url.substr(1);
  }
}

std::string CombineUrl(std::string_view baseText, std::string_view referenceText) {
  if (baseText.empty()) return std::string(referenceText);
  UrlParts b, r;
  SplitUrl(baseText, b);
  SplitUrl(referenceText, r);
  std::string baseCopy, referenceCopy;
  if (IsWebScheme(r.hasScheme ? r.scheme : b.scheme)) {
    baseCopy = WithWebSlashes(baseText);
    referenceCopy = WithWebSlashes(referenceText);
    SplitUrl(baseCopy, b);
    SplitUrl(referenceCopy, r);
  }
  // RFC 3986, 5.2.2, strict: a reference with a scheme stands alone.
  UrlParts t = r;
  std::string path;
  if (r.hasScheme || r.hasAuthority) {
    path = RemoveDotSegments(r.path);
    if (!r.hasScheme) {
      t.hasScheme = b.hasScheme;
      t.scheme = b.scheme;
    }
  } else {
    t.hasScheme = b.hasScheme;
    t.scheme = b.scheme;
    t.hasAuthority = b.hasAuthority;
    t.authority = b.authority;
    if (r.path.empty()) {
      path.assign(b.path);
      if (!r.hasQuery) {
        t.hasQuery = b.hasQuery;
        t.query = b.query;
      }
    } else if (r.path.front() == '/') {
      path = RemoveDotSegments(r.path);
    } else {
      std::string merged;
      if (b.hasAuthority && b.path.empty()) {
        merged = "/";
      } else {
        size_t slash = b.path.rfind('/');
        if (slash != std::string_view::npos) merged.assign(b.path.substr(0, slash + 1));
      }
      merged.append(r.path);
      path = RemoveDotSegments(merged);
    }
  }
  std::string out;
  out.reserve(baseText.size() + referenceText.size());
  AppendUrl(out, t, path);
  if (r.hasFragment) out.append("#").append(r.fragment);
  return out;
}

INTERNET_SCHEME SchemeNumber(std::string_view scheme) {
  static constexpr std::pair<const char*, INTERNET_SCHEME> kSchemes[] = {
      {"ftp", INTERNET_SCHEME_FTP},      {"gopher", INTERNET_SCHEME_GOPHER}, {"http", INTERNET_SCHEME_HTTP},
      {"https", INTERNET_SCHEME_HTTPS},  {"file", INTERNET_SCHEME_FILE},     {"news", INTERNET_SCHEME_NEWS},
      {"mailto", INTERNET_SCHEME_MAILTO}};
  for (const auto& [name, number] : kSchemes)
    if (SameText(scheme, name)) return number;
  return INTERNET_SCHEME_UNKNOWN;
}

INTERNET_PORT DefaultPort(INTERNET_SCHEME scheme) {
  switch (scheme) {
    case INTERNET_SCHEME_HTTP: return INTERNET_DEFAULT_HTTP_PORT;
    case INTERNET_SCHEME_HTTPS: return INTERNET_DEFAULT_HTTPS_PORT;
    case INTERNET_SCHEME_FTP: return INTERNET_DEFAULT_FTP_PORT;
    case INTERNET_SCHEME_GOPHER: return INTERNET_DEFAULT_GOPHER_PORT;
    default: return INTERNET_INVALID_PORT_NUMBER;
  }
}

}  // namespace vandrel::wininet

using namespace vandrel::wininet;

BOOL InternetCrackUrlA(LPCSTR url, DWORD urlLength, DWORD /*flags: nothing is decoded*/, URL_COMPONENTSA* components) {
  if (!url || !components || components->dwStructSize != sizeof(URL_COMPONENTSA)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string_view text(url, urlLength == 0 || urlLength == DWORD(-1) ? std::strlen(url) : urlLength);
  UrlParts p;
  SplitUrl(text, p);
  if (!p.hasScheme) {
    SetLastError(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    return FALSE;
  }
  unsigned long port = 0;
  bool validPort = p.port.size() <= 5;
  for (unsigned char c : p.port) {
    validPort = validPort && IsDigit(c);
    port = port * 10 + (c - '0');
  }
  bool validHost = p.host.empty() || p.host.front() != '[';
  if (!validPort || port > 65535 || !validHost) {
    SetLastError(ERROR_INTERNET_INVALID_URL);
    return FALSE;
  }
  components->nScheme = SchemeNumber(p.scheme);
  components->nPort = p.port.empty() ? DefaultPort(components->nScheme) : INTERNET_PORT(port);
  size_t extraStart = size_t(p.path.data() - text.data()) + p.path.size();
  std::string_view extra = text.substr(extraStart);
  URL_COMPONENTSA& c = *components;
  bool fits = PutPart(c.lpszScheme, c.dwSchemeLength, p.scheme, true);
  fits = PutPart(c.lpszHostName, c.dwHostNameLength, p.host, p.hasAuthority) && fits;
  fits = PutPart(c.lpszUserName, c.dwUserNameLength, p.user, p.hasUser) && fits;
  fits = PutPart(c.lpszPassword, c.dwPasswordLength, p.password, p.hasPassword) && fits;
  fits = PutPart(c.lpszUrlPath, c.dwUrlPathLength, p.path, true) && fits;
  fits = PutPart(c.lpszExtraInfo, c.dwExtraInfoLength, extra, !extra.empty()) && fits;
  if (!fits) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  return TRUE;
}

BOOL InternetCombineUrlA(LPCSTR baseUrl, LPCSTR relativeUrl, LPSTR buffer, LPDWORD bufferLength,
                         DWORD /*flags: nothing is encoded*/) {
  if (!relativeUrl || !bufferLength) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string combined = CombineUrl(baseUrl ? baseUrl : "", relativeUrl);
  if (!buffer || *bufferLength <= combined.size()) {
    *bufferLength = DWORD(combined.size() + 1);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, combined.c_str(), combined.size() + 1);
  *bufferLength = DWORD(combined.size());
  return TRUE;
}
