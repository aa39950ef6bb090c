// The clipboard of the process: text and registered formats. Data handed to SetClipboardData is global
// memory that the clipboard then owns and frees when it is emptied; GetClipboardData lends it out.
#pragma once
#include <string>

#include "platform/winapi/WinTypes.h"

constexpr UINT CF_TEXT = 1;
constexpr UINT CF_BITMAP = 2;
constexpr UINT CF_DIB = 8;
constexpr UINT CF_PALETTE = 9;
constexpr UINT CF_UNICODETEXT = 13;

BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
BOOL EmptyClipboard();  // requires the clipboard open by this thread; makes its window the owner
HANDLE SetClipboardData(UINT format, HANDLE data);
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
int CountClipboardFormats();
UINT EnumClipboardFormats(UINT format);
// Shares the number table of RegisterWindowMessageA.
UINT RegisterClipboardFormatA(LPCSTR name);
int GetClipboardFormatNameA(UINT format, LPSTR buffer, int size);
HWND GetClipboardOwner();

// Helpers over the calls above: the CF_TEXT text (empty when none), and replacing the clipboard by a text.
std::string ClipboardText();
bool SetClipboardText(const std::string& text);
