#include "platform/winapi/MessageBox.h"

#include <deque>
#include <mutex>

namespace {

struct Boxes {
  std::mutex lock;
  std::deque<int> answers;
  std::vector<TMessageBoxRecord> shown;
};

Boxes& B() {
  static Boxes* b = new Boxes;
  return *b;
}

// The buttons of each kind of box, in order; a box of fewer than three repeats its last.
constexpr int kButtons[][3] = {{IDOK, IDOK, IDOK},      {IDOK, IDCANCEL, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE},
                               {IDYES, IDNO, IDCANCEL}, {IDYES, IDNO, IDNO},        {IDRETRY, IDCANCEL, IDCANCEL}};

const int* ButtonsOf(UINT flags) {
  UINT kind = flags & 0x0F;
  return kButtons[kind > 5 ? 0 : kind];
}

int DefaultAnswer(UINT flags) {
  UINT def = (flags >> 8) & 0x0F;
  return ButtonsOf(flags)[def > 2 ? 0 : def];
}

bool HasButton(UINT flags, int answer) {
  const int* buttons = ButtonsOf(flags);
  return answer == buttons[0] || answer == buttons[1] || answer == buttons[2];
}

}  // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
  std::lock_guard g(B().lock);
  int answer = DefaultAnswer(flags);
  if (!B().answers.empty()) {
    // A scripted answer that names no button of this box leaves the box its default.
    if (HasButton(flags, B().answers.front())) answer = B().answers.front();
    B().answers.pop_front();
  }
  B().shown.push_back(TMessageBoxRecord{text ? text : "", caption ? caption : "Error", flags, answer, owner});
  return answer;
}

void ScriptMessageBoxAnswers(const std::vector<int>& answers) {
  std::lock_guard g(B().lock);
  B().answers.assign(answers.begin(), answers.end());
}

void QueueMessageBoxAnswer(int answer) {
  std::lock_guard g(B().lock);
  B().answers.push_back(answer);
}

std::vector<TMessageBoxRecord> MessageBoxRecords() {
  std::lock_guard g(B().lock);
  return B().shown;
}

void ClearMessageBoxRecords() {
  std::lock_guard g(B().lock);
  B().shown.clear();
}
