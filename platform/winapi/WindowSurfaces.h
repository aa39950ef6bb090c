// Window surfaces and the drawing log. Every top-level window keeps a true-colour surface of its window
// size; a context from GetDC or BeginPaint draws into the surface of its window's top-level window, at the
// client area's place and clipped to it (GetWindowDC: the whole window). What a window painted is read back
// through the same calls (GetPixel, BitBlt from a window context). Each drawing call on a window context is
// written to the drawing log, one line per call: the call's name, the window's class name, then its
// arguments ("FillRect TButton 0,0,75,25 #FFFFFF").
#pragma once
#include <string>
#include <vector>

#include "platform/winapi/WinTypes.h"

// The last lines of the log (it keeps the most recent 4096), oldest first; and emptying it.
std::vector<std::string> DrawingLog();
void ClearDrawingLog();
// Writes a line for a drawing call made through another layer (text, lines) on a window context.
void LogDrawingCall(HDC dc, const std::string& call, const std::string& arguments);
// Frees the surface of a top-level window (when the window is destroyed).
void ReleaseWindowSurface(HWND hwnd);
// The number of surfaces alive (for leak checks).
size_t WindowSurfaceCount();
