// Message boxes. Nothing waits for a person: each box answers at once with the next scripted answer or,
// when none is left, with its default button (the first button, or the one MB_DEFBUTTON2/MB_DEFBUTTON3
// names). Every box shown is recorded, so tests and hosts can see what was asked.
#pragma once
#include <string>
#include <vector>

#include "platform/winapi/WinTypes.h"

constexpr UINT MB_OK = 0x0000;
constexpr UINT MB_OKCANCEL = 0x0001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x0002;
constexpr UINT MB_YESNOCANCEL = 0x0003;
constexpr UINT MB_YESNO = 0x0004;
constexpr UINT MB_RETRYCANCEL = 0x0005;
constexpr UINT MB_ICONHAND = 0x0010;
constexpr UINT MB_ICONERROR = 0x0010;
constexpr UINT MB_ICONQUESTION = 0x0020;
constexpr UINT MB_ICONEXCLAMATION = 0x0030;
constexpr UINT MB_ICONWARNING = 0x0030;
constexpr UINT MB_ICONASTERISK = 0x0040;
constexpr UINT MB_ICONINFORMATION = 0x0040;
constexpr UINT MB_DEFBUTTON1 = 0x0000;
constexpr UINT MB_DEFBUTTON2 = 0x0100;
constexpr UINT MB_DEFBUTTON3 = 0x0200;
constexpr UINT MB_APPLMODAL = 0x0000;
constexpr UINT MB_TASKMODAL = 0x2000;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT flags);

struct TMessageBoxRecord {
  std::string text;
  std::string caption;
  UINT flags;
  int answer;
  HWND owner = nullptr;
};

// Answers for the next boxes, in order; an answer that names no button of its box gives the box's default.
void ScriptMessageBoxAnswers(const std::vector<int>& answers);
// One more answer after those already scripted.
void QueueMessageBoxAnswer(int answer);
std::vector<TMessageBoxRecord> MessageBoxRecords();
void ClearMessageBoxRecords();
