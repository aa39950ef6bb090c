// What the browser takes from a loaded page: parsed by libxml2's HTML parser (no network, errors
// recovered), the markup inside its body, its frames and its inline scripts, each in document order.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace browser {

struct THtmlFrame {
  std::string src;   // as written (UTF-8), resolved by the browser against the page's address
  std::string name;  // the frame's name attribute
};

struct THtmlPage {
  std::u16string title;
  std::u16string bodyHtml;              // the body's children as markup
  std::vector<THtmlFrame> frames;       // <frame> and <iframe> elements
  std::vector<std::u16string> scripts;  // <script> elements without src, of no type or a JavaScript type
};

// Charset: the one the server named ("" lets the page's meta element or the parser decide).
THtmlPage ParseHtmlPage(std::string_view bytes, const std::string& charset = "");

}  // namespace browser
