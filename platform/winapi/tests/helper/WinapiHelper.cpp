// A second process of the machine for the tests: holds files open, writes and reads registry values.
//   hold PATH ACCESS SHARE        opens PATH (hex rights and share mode), prints "held" or "error N",
//                                 then waits until its standard input closes
//   write-values KEY PREFIX COUNT sets COUNT REG_DWORD values PREFIX0.. under HKEY_CURRENT_USER\KEY
//   set KEY NAME TEXT             sets a REG_SZ value under HKEY_CURRENT_USER\KEY
//   get KEY NAME                  prints a REG_SZ value of HKEY_CURRENT_USER\KEY
//   proc MODULE NAME              prints "found", or "missing N" with the error of the binding
//   mutex NAME                    creates the mutex NAME asking to own it, prints "owned" or "not owned N"
//                                 (the last error), then waits until its standard input closes
//   listen NAME MS                makes a hidden top-level window, prints "ready", then for MS milliseconds
//                                 prints "got W L" for each broadcast of the registered message NAME
//   send NAME W L                 broadcasts the registered message NAME with W and L, without a window
//   report FILE [ARGS...]         writes to the Windows path FILE the lines "program=<its module's path>",
//                                 "line=<the command line its launcher gave>", "args=<its host arguments
//                                 after report, each followed by |>", "cwd=<its current folder>"
//   exit N                        ends with exit code N
//   sleep MS                      sleeps MS milliseconds of real time, then ends with exit code 0
// Arguments are UTF-8; names reach the machine as CP1250.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "platform/runtime/Cp1250.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Module.h"
#include "platform/winapi/Registry.h"
#include "platform/winapi/Synchronization.h"
#include "platform/winapi/Timers.h"
#include "platform/winapi/UtilityWindow.h"
#include "platform/winapi/Windows.h"

namespace {

std::string Arg(char** argv, int i) { return cp1250::FromUtf8(argv[i]); }

HKEY CreateKey(const std::string& path) {
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (rc) std::exit(10 + int(rc % 100));
  return key;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "hold" && argc == 5) {
    HANDLE file = CreateFileA(Arg(argv, 2).c_str(), DWORD(std::strtoul(argv[3], nullptr, 16)),
                              DWORD(std::strtoul(argv[4], nullptr, 16)), nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
      std::printf("error %u\n", GetLastError());
    else
      std::printf("held\n");
    std::fflush(stdout);
    std::string ignored;
    while (std::getline(std::cin, ignored)) {
    }
    return 0;
  }
  if (command == "write-values" && argc == 5) {
    HKEY key = CreateKey(Arg(argv, 2));
    int count = std::atoi(argv[4]);
    for (int i = 0; i < count; ++i) {
      std::string name = Arg(argv, 3) + std::to_string(i);
      DWORD value = DWORD(i);
      if (RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4)) return 3;
    }
    RegCloseKey(key);
    return 0;
  }
  if (command == "set" && argc == 5) {
    HKEY key = CreateKey(Arg(argv, 2));
    std::string text = Arg(argv, 4);
    LONG rc = RegSetValueExA(key, Arg(argv, 3).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             DWORD(text.size() + 1));
    RegCloseKey(key);
    return rc ? 3 : 0;
  }
  if (command == "get" && argc == 4) {
    HKEY key = CreateKey(Arg(argv, 2));
    char buffer[1024];
    DWORD size = sizeof buffer, type = 0;
    LONG rc = RegQueryValueExA(key, Arg(argv, 3).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (rc) return 4;
    std::printf("%s\n", cp1250::ToUtf8(std::string(buffer, size ? size - 1 : 0)).c_str());
    return 0;
  }
  if (command == "proc" && argc == 4) {
    HMODULE module = GetModuleHandleA(argv[2]);
    FARPROC proc = module ? GetProcAddress(module, argv[3]) : nullptr;
    if (proc)
      std::printf("found\n");
    else
      std::printf("missing %u\n", GetLastError());
    return 0;
  }
  if (command == "mutex" && argc == 3) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, Arg(argv, 2).c_str());
    DWORD error = GetLastError();
    if (!mutex) return 5;
    if (error == ERROR_ALREADY_EXISTS)
      std::printf("not owned %u\n", error);
    else
      std::printf("owned\n");
    std::fflush(stdout);
    std::string ignored;
    while (std::getline(std::cin, ignored)) {
    }
    return 0;
  }
  if (command == "listen" && argc == 4) {
    const UINT message = RegisterWindowMessageA(argv[2]);
    HWND window = nullptr;
    window = AllocateHWnd([&](TMessage& m) {
      if (m.Msg == message) {
        std::printf("got %llu %lld\n", (unsigned long long)m.WParam, (long long)m.LParam);
        std::fflush(stdout);
      } else if (m.Msg == WM_TIMER) {
        PostQuitMessage(0);
      } else {
        m.Result = DefWindowProcA(window, m.Msg, m.WParam, m.LParam);
      }
    });
    SetTimer(window, 1, UINT(std::atoi(argv[3])), nullptr);
    std::printf("ready\n");
    std::fflush(stdout);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    DeallocateHWnd(window);
    return 0;
  }
  if (command == "send" && argc == 5) {
    BOOL posted = PostMessageA(HWND_BROADCAST, RegisterWindowMessageA(argv[2]),
                               WPARAM(std::strtoull(argv[3], nullptr, 10)), LPARAM(std::strtoll(argv[4], nullptr, 10)));
    return posted ? 0 : 6;
  }
  if (command == "report" && argc >= 3) {
    char module[MAX_PATH], folder[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    GetCurrentDirectoryA(MAX_PATH, folder);
    const char* line = std::getenv("VANDREL_COMMAND_LINE");
    std::string text = std::string("program=") + module + "\nline=" + (line ? line : "") + "\nargs=";
    for (int i = 2; i < argc; ++i) text += Arg(argv, i) + "|";
    text += std::string("\ncwd=") + folder + "\n";
    HANDLE file = CreateFileA(Arg(argv, 2).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (file == INVALID_HANDLE_VALUE || !WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr)) return 3;
    CloseHandle(file);
    return 0;
  }
  if (command == "exit" && argc == 3) return std::atoi(argv[2]);
  if (command == "sleep" && argc == 3) {
    usleep(useconds_t(std::atoi(argv[2])) * 1000);
    return 0;
  }
  std::fprintf(stderr, "usage: winapi_helper hold|write-values|set|get|proc|mutex|listen|send|report|exit|sleep ...\n");
  return 2;
}
