// The document model of the headless browser: a document with its body, the body's style and markup, and
// the window that shows the document (a new one per document), which page scripts see as their global
// object and which takes new properties by name (IDispatchEx).
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/com/DispatchEx.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/HtmlDocument.h"

namespace browser {

class TScriptEngine;
class TWindow;

// The style of an element: the properties the hosts set, each "" until set.
class TStyle : public TTableDispatch<TStyle> {
 public:
  static const TDispatchTable& DispatchTable();
  enum TProperty { BorderStyle, Padding, Margin, Overflow, BackgroundColor, kCount };
  const std::u16string& Get(TProperty p) const { return values_[p]; }

 private:
  std::u16string values_[kCount];
};

class TBodyElement : public TTableDispatch<TBodyElement> {
 public:
  TBodyElement();
  static const TDispatchTable& DispatchTable();
  const std::u16string& InnerHtml() const { return innerHtml_; }
  void SetInnerHtml(std::u16string html) { innerHtml_ = std::move(html); }
  TStyle* Style() const { return style_.Get(); }

 private:
  std::u16string innerHtml_;
  ComPtr<TStyle> style_;
};

class THtmlDocument : public TTableDispatch<THtmlDocument, IHTMLDocument2> {
 public:
  // A document of that address with its window; the window's name is the frame's name ("" at the top).
  static ComPtr<THtmlDocument> Create(const std::string& url, const std::string& windowName);
  ~THtmlDocument() override;
  static const TDispatchTable& DispatchTable();

  HRESULT get_parentWindow(IHTMLWindow2** window) override;

  const std::string& Url() const { return url_; }
  const std::u16string& Title() const { return title_; }
  void SetTitle(std::u16string title) { title_ = std::move(title); }
  TBodyElement* Body() const { return body_.Get(); }
  TWindow* Window() const { return window_.Get(); }
  // The browser leaves the document: the window forgets it and ends its scripts.
  void Close();

 private:
  THtmlDocument(const std::string& url);
  std::string url_;
  std::u16string title_;
  ComPtr<TBodyElement> body_;
  ComPtr<TWindow> window_;
};

class TWindow : public TExpandoDispatch<TWindow, IHTMLWindow2> {
 public:
  TWindow(THtmlDocument* document, std::string name);
  ~TWindow() override;
  static const TDispatchTable& DispatchTable();

  HRESULT get_document(IHTMLDocument2** document) override;

  THtmlDocument* Document() const { return document_; }
  const std::string& Name() const { return name_; }
  // Runs one inline script in the window's engine (started on the first script); a failure is recorded
  // and ends that script only. Nothing runs once the window is closed.
  void RunScript(const std::u16string& source, const std::string& label);
  // Runs a line of script from the host (not recorded with the page's errors): "" with its value as
  // CP1250 text, else the error.
  std::string Evaluate(const std::u16string& source, std::string& value);
  const std::vector<std::string>& ScriptErrors() const { return scriptErrors_; }
  bool HasScriptEngine() const { return engine_ != nullptr; }
  void Close();

 private:
  THtmlDocument* document_;  // cleared by Close: the document owns the window
  std::string name_;
  std::unique_ptr<TScriptEngine> engine_;
  std::string Execute(const std::u16string& source, const std::string& label, std::string* value);

  std::vector<std::string> scriptErrors_;
  bool closed_ = false;
  int running_ = 0;  // scripts running now: the engine outlives a Close during one
};

}  // namespace browser
