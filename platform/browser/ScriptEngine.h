// The JavaScript engine of one page window (Duktape). The script's global object is the window: names the
// window knows (its members and the properties put on it by name) are globals, `window` is the window
// itself, and automation objects reached from there are script objects whose properties and methods go
// through IDispatch, arguments converted to VARIANTs and results back. Scripts get nothing else of the
// host: no files, no network, no timers.
#pragma once
#include <string>
#include <string_view>

#include "platform/com/DispatchEx.h"

namespace browser {

class TScriptEngine {
 public:
  // The window owns the engine; the engine does not reference it.
  explicit TScriptEngine(IDispatchEx* window);
  ~TScriptEngine();
  TScriptEngine(const TScriptEngine&) = delete;
  TScriptEngine& operator=(const TScriptEngine&) = delete;

  // Runs one script to its end; "" when it ran, else the error ("LABEL line N: Error: text"). The value
  // of the script's last statement goes to result (as text, UTF-8) when one is given.
  std::string Run(std::u16string_view source, const std::string& label, std::string* result = nullptr);

  // How many engines this process has started.
  static long Starts();

 private:
  void* heap_;
  IDispatchEx* window_;
};

}  // namespace browser
