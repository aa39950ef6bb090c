// An HTTP/1.0 client component: GET and HEAD of one URL at a time, the response body into a file (or kept in
// memory), the response head as received, a per-packet event and abort. While it waits for the server it
// handles the thread's messages in short slices, so the caller's window stays alive and may abort it.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/runtime/Classes.h"
#include "platform/runtime/Exceptions.h"

VCL_EXCEPTION(EHttpFetch, Exception);

class THttpFetch : public TComponent {
  VCL_CLASS(THttpFetch, TComponent)
  explicit THttpFetch(TComponent* owner);
  ~THttpFetch() override;

  const std::string& URL() const { return url_; }
  void SetURL(const std::string& url) { url_ = url; }
  // Where each response's body goes when ToFiles is set (emptied first; a HEAD leaves it empty).
  const std::string& BodyFile() const { return bodyFile_; }
  void SetBodyFile(const std::string& name) { bodyFile_ = name; }
  // Where each response's head is written when ToFiles is set; a failure to write it is ignored.
  const std::string& HeaderFile() const { return headerFile_; }
  void SetHeaderFile(const std::string& name) { headerFile_ = name; }
  bool ToFiles() const { return toFiles_; }
  void SetToFiles(bool value) { toFiles_ = value; }

  // Run one request to its end. A failure (no connection, a broken response, Abort) raises EHttpFetch;
  // any status the server answers is a success here.
  void Get();
  void Head();
  // Makes the running request raise as soon as control returns to it; nothing when none runs.
  void Abort();
  bool Busy() const { return busy_; }

  // The last response: its status line and headers exactly as received, up to and with the empty line;
  // its status code (0 before any); its body when ToFiles is not set.
  const std::string& Header() const { return header_; }
  int StatusCode() const { return status_; }
  const std::string& Body() const { return body_; }

  // After each packet of body bytes: the body bytes received so far in this transfer.
  std::function<void(TObject* sender, int64_t received)> OnPacketRecvd;

 private:
  void Run(const char* method);
  std::string url_, bodyFile_, headerFile_;
  bool toFiles_ = false;
  bool busy_ = false, aborted_ = false;
  std::string header_, body_;
  int status_ = 0;
};
