// Change signals between the bands of the session: the worker broadcasts a registered window message when
// the toolbar definition or a feed changed, and each user-interface thread that holds a band keeps a hidden
// window that turns the messages into two flags of the thread, which the band form's signal timer polls.
// Copies of the library loaded from different paths use different messages.
#pragma once
#include <string>

#include "platform/runtime/Object.h"
#include "platform/winapi/Messages.h"

// `prefix`, "_", and the library's full path with every character other than a digit, an ASCII letter or
// "_" replaced by "_".
std::string MakeSignalName(const std::string& prefix);

// The unit's initialisation: registers the definition-changed and feed-changed messages, once.
void InitializeSignalUnit();
// The two registered messages; 0 before the unit's initialisation.
UINT DefChangedMessage();
UINT FeedChangedMessage();

// Post the message to every top-level window of the session, both parameters 0, without waiting.
BOOL BroadcastDefChanged();
BOOL BroadcastFeedChanged();

// Owns the procedure of a thread's hidden signal window.
class THelperObject : public TObject {
  VCL_CLASS(THelperObject, TObject)

 public:
  HWND Handle = nullptr;
  // Sets the thread's flag of a signal message; any other message gets default processing.
  void SignalWndProc(TMessage& message);
};

// The calling thread's hidden signal window, shared by the band forms of the thread: the first call makes
// the helper object and its window, and the DestroySignalWindow that balances the last call frees both.
void CreateSignalWindow();
void DestroySignalWindow();
// The calling thread's signal window; null while it has none.
HWND SignalWindowHandle();

// The calling thread's flags: set only by its signal window, cleared by the band form.
bool IsDefChanged();
void ClearDefChanged();
bool IsFeedChanged();
void ClearFeedChanged();
