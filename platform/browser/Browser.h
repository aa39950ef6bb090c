// The headless web browser: IWebBrowser2 with its DWebBrowserEvents2 connection point. Navigate and
// Navigate2 are posted to the thread that owns the browser; that thread runs a navigation as
// BeforeNavigate2 (which may cancel it), DownloadBegin, the load (PageLoader.h), NavigateError when the
// load fails (its handler may cancel the browser's error page: the page is then empty), NavigateComplete2,
// the page's inline scripts in document order, the frames (each a browser of its own with its own window,
// firing its events to its own sinks and to the top browser's), DocumentComplete, DownloadComplete and
// CommandStateChange. Flags 1 (navOpenInNewWindow) opens a new top-level browser, recorded in NewWindows.
// Its automation members answer by name and by DISPID (Silent 551, Resizable 556, ...). Everything but
// Navigate and Navigate2 of a top-level browser belongs to the owner thread; those two may come from any
// thread (RPC_E_WRONG_THREAD for a frame's).
#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com/ConnectionPoints.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/WebBrowser.h"

namespace browser {

class THtmlDocument;
class TNavigationQueue;
class TWindow;

constexpr LONG navOpenInNewWindow = 0x1;
constexpr LONG navNoHistory = 0x2;
// CommandStateChange's command for the back button.
constexpr LONG CSC_NAVIGATEBACK = 2;

class TBrowser : public TTableDispatch<TBrowser, IWebBrowser2, IConnectionPointContainer> {
 public:
  // What the browser tells its host, one line each: "navigated to URL", "navigation to URL cancelled",
  // "new window for URL", "script error: TEXT", "event N failed HRESULT".
  using TNotice = std::function<void(const std::string& line)>;

  // A top-level browser owned by the calling thread; window: what get_HWND answers.
  static ComPtr<TBrowser> Create(HWND window = nullptr, TNotice notice = nullptr);
  ~TBrowser() override;
  static const TDispatchTable& DispatchTable();
  // The top-level browser of this process whose window is that one (a web-browser control's), or none.
  static ComPtr<TBrowser> FromWindow(HWND window);

  HRESULT Navigate(BSTR url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData, VARIANT* headers) override;
  HRESULT Navigate2(VARIANT* url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                    VARIANT* headers) override;
  // The current page's document (IHTMLDocument2); none before the first navigation.
  HRESULT get_Document(IDispatch** document) override;
  HRESULT get_LocationURL(BSTR* url) override;
  HRESULT get_HWND(LONG_PTR* window) override;
  HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) override;
  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  // Runs the navigations posted so far, on the owner thread (its message loop runs them too).
  void RunPending();
  // Whether a navigation waits to run.
  bool Busy();
  // Goes to the address as the user's address bar does and returns once the page is complete.
  void NavigateTo(const std::string& url);

  // One Navigate or Navigate2 call as it came, before anything was checked.
  struct TNavigateCall {
    std::string Method;  // "Navigate" or "Navigate2"
    std::string Url;
    LONG Flags = 0;
    bool OptionalEmpty = true;  // flags, target frame, post data and headers all missing or empty
    bool ShiftDown = false;     // the Shift key was down during the call
  };
  // Every such call on this browser, from any thread.
  std::vector<TNavigateCall> NavigateCalls() const;

  const std::string& Location() const { return location_; }
  const std::vector<std::string>& Navigations() const { return navigations_; }
  THtmlDocument* Document() const { return document_.Get(); }
  TWindow* Window() const;
  // The current page's frames, in document order.
  const std::vector<ComPtr<TBrowser>>& Frames() const { return frames_; }
  const std::vector<ComPtr<TBrowser>>& NewWindows() const { return newWindows_; }
  // The errors of the current page's scripts.
  std::vector<std::string> ScriptErrors() const;
  TBrowser* Parent() const { return parent_; }
  const std::string& FrameName() const { return frameName_; }

  bool Silent() const { return silent_; }
  void SetSilent(bool silent) { silent_ = silent; }
  bool Resizable() const { return resizable_; }
  void SetResizable(bool resizable) { resizable_ = resizable; }
  RECT Bounds() const { return bounds_; }
  void SetBounds(RECT bounds) { bounds_ = bounds; }
  void SetWindow(HWND window) { window_ = window; }

  size_t SinkCount() { return events_->SinkCount(); }
  ULONG References();
  // Leaves the page, closes the frames and stops navigating; the browser's owner calls it when done.
  void Close();

 private:
  struct TRequest;
  TBrowser(TBrowser* parent, TNavigationQueue* queue, std::string frameName, TNotice notice);
  HRESULT Start(const std::string& url, LONG flags, const std::string& targetFrame);
  HRESULT Go(VARIANT* url, VARIANT* flags, VARIANT* targetFrameName);
  void RecordCall(const char* method, const std::string& url, VARIANT* flags, VARIANT* targetFrameName,
                  VARIANT* postData, VARIANT* headers);
  void Run(const TRequest& request);
  void LoadFrames(const std::vector<std::pair<std::string, std::string>>& frames, int depth);
  HRESULT Fire(DISPID id, std::vector<VARIANT> args);
  void Notice(const std::string& line);
  int Depth() const;

  TBrowser* parent_;
  TBrowser* top_;
  DWORD ownerThread_;
  std::unique_ptr<TNavigationQueue> ownQueue_;  // the top-level browser's
  TNavigationQueue* queue_;                     // none once closed
  std::string frameName_;
  TNotice notice_;
  ComPtr<TConnectionPoint> events_;
  HWND window_ = nullptr;
  std::string location_;
  std::vector<std::string> navigations_;
  mutable std::mutex callsLock_;
  std::vector<TNavigateCall> calls_;
  ComPtr<THtmlDocument> document_;
  std::vector<ComPtr<TBrowser>> frames_;
  std::vector<ComPtr<TBrowser>> newWindows_;
  bool silent_ = false, resizable_ = true;
  RECT bounds_{0, 0, 0, 0};
  bool closed_ = false;
};

}  // namespace browser
