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

int DefaultAnswer(UINT flags) {
  static const int buttons[][3] = {{IDOK, IDOK, IDOK},      {IDOK, IDCANCEL, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE},
                                   {IDYES, IDNO, IDCANCEL}, {IDYES, IDNO, IDNO},        {IDRETRY, IDCANCEL, IDCANCEL}};
  UINT kind = flags & 0x0F;
  if (kind > 5) kind = 0;
  UINT def = (flags >> 8) & 0x0F;
  if (def > 2) def = 0;
  return buttons[kind][def];
}

}  // namespace

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT flags) {
  std::lock_guard g(B().lock);
  int answer = DefaultAnswer(flags);
  if (!B().answers.empty()) {
    answer = B().answers.front();
    B().answers.pop_front();
  }
  B().shown.push_back(TMessageBoxRecord{text ? text : "", caption ? caption : "Error", flags, answer});
  return answer;
}

void ScriptMessageBoxAnswers(const std::vector<int>& answers) {
  std::lock_guard g(B().lock);
  B().answers.assign(answers.begin(), answers.end());
}

std::vector<TMessageBoxRecord> MessageBoxRecords() {
  std::lock_guard g(B().lock);
  return B().shown;
}

void ClearMessageBoxRecords() {
  std::lock_guard g(B().lock);
  B().shown.clear();
}
