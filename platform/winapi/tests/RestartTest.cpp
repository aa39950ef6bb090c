// The shutdown privilege and ExitWindowsEx on either family of Windows: the restart record of the machine
// gets a line for each request that Windows would carry out.
#include <gtest/gtest.h>

#include "platform/testing/TestMachine.h"
#include "platform/winapi/ExitWindows.h"
#include "platform/winapi/Handles.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/MachineRecords.h"
#include "platform/winapi/Registry.h"
#include "platform/winapi/Security.h"

namespace {

using vandrel::MachineRecord;

constexpr DWORD kSentinel = 0xdeadbeef;

std::vector<std::string> Restarts() { return vandrel::MachineRecordLinesAfter(MachineRecord::Restarts, 0); }

// Enables or disables the shutdown privilege as a program does; the last error of the adjustment.
DWORD AdjustShutdown(DWORD attributes, DWORD access = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY) {
  HANDLE token = nullptr;
  EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), access, &token));
  TOKEN_PRIVILEGES privileges{1, {{{0, 0}, attributes}}};
  EXPECT_TRUE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid));
  SetLastError(kSentinel);
  BOOL ok = AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  DWORD error = GetLastError();
  EXPECT_TRUE(CloseHandle(token));
  return ok ? error : ~error;
}

TEST(Restart, OnNTTheShutdownPrivilegeMustBeEnabledFirst) {
  testing_support::TestMachine machine;
  SetLastError(kSentinel);
  EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT, 0));
  EXPECT_EQ(GetLastError(), ERROR_PRIVILEGE_NOT_HELD);
  EXPECT_TRUE(ExitWindowsEx(EWX_LOGOFF, 0));  // logging off needs no privilege
  EXPECT_EQ(AdjustShutdown(SE_PRIVILEGE_ENABLED), ERROR_SUCCESS);
  EXPECT_TRUE(vandrel::PrivilegeEnabled(SE_SHUTDOWN_NAME));
  EXPECT_TRUE(ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0));
  EXPECT_TRUE(ExitWindowsEx(EWX_SHUTDOWN | EWX_POWEROFF, 0));
  SetLastError(kSentinel);
  EXPECT_FALSE(ExitWindowsEx(0x100, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(AdjustShutdown(0), ERROR_SUCCESS);
  EXPECT_FALSE(ExitWindowsEx(EWX_SHUTDOWN, 0));
  EXPECT_EQ(Restarts(), (std::vector<std::string>{"EWX_LOGOFF", "EWX_REBOOT|EWX_FORCE", "EWX_SHUTDOWN|EWX_POWEROFF"}));
}

TEST(Restart, TheTokenCallsCheckTheirArguments) {
  testing_support::TestMachine machine;
  size_t handles = OpenHandleCount();
  // A token opened without the right to adjust it.
  EXPECT_EQ(AdjustShutdown(SE_PRIVILEGE_ENABLED, TOKEN_QUERY), ~ERROR_ACCESS_DENIED);
  EXPECT_FALSE(vandrel::PrivilegeEnabled(SE_SHUTDOWN_NAME));
  LUID luid{};
  SetLastError(kSentinel);
  EXPECT_FALSE(LookupPrivilegeValueA(nullptr, "SeNincsPrivilege", &luid));
  EXPECT_EQ(GetLastError(), ERROR_NO_SUCH_PRIVILEGE);
  ASSERT_TRUE(LookupPrivilegeValueA("", "seshutdownprivilege", &luid));
  EXPECT_EQ(luid.LowPart, 19u);
  HANDLE token = nullptr;
  EXPECT_FALSE(OpenProcessToken(reinterpret_cast<HANDLE>(0x1234), TOKEN_QUERY, &token));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
  // A privilege the user does not hold: success, but not all assigned.
  struct {
    TOKEN_PRIVILEGES head;
    LUID_AND_ATTRIBUTES second;
  } request{{2, {{{0, 0}, SE_PRIVILEGE_ENABLED}}}, {{0, 0}, SE_PRIVILEGE_ENABLED}};
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, SE_REMOTE_SHUTDOWN_NAME, &request.head.Privileges[0].Luid));
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &request.second.Luid));
  TOKEN_PRIVILEGES previous{};
  DWORD length = 0;
  EXPECT_FALSE(AdjustTokenPrivileges(token, FALSE, &request.head, 4, &previous, &length));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(length, sizeof previous);
  EXPECT_FALSE(vandrel::PrivilegeEnabled(SE_SHUTDOWN_NAME));
  ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &request.head, sizeof previous, &previous, &length));
  EXPECT_EQ(GetLastError(), ERROR_NOT_ALL_ASSIGNED);
  EXPECT_TRUE(vandrel::PrivilegeEnabled(SE_SHUTDOWN_NAME));
  EXPECT_EQ(previous.PrivilegeCount, 1u);
  EXPECT_EQ(previous.Privileges[0].Luid.LowPart, 19u);
  EXPECT_EQ(previous.Privileges[0].Attributes, 0u);
  // Disabling all.
  ASSERT_TRUE(AdjustTokenPrivileges(token, TRUE, nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_FALSE(vandrel::PrivilegeEnabled(SE_SHUTDOWN_NAME));
  EXPECT_TRUE(CloseHandle(token));
  EXPECT_FALSE(AdjustTokenPrivileges(token, TRUE, nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(OpenHandleCount(), handles);
}

TEST(Restart, OnThe95FamilyTheTokenCallsFailAndRestartingNeedsNoPrivilege) {
  testing_support::TestMachine machine;
  std::string error;
  ASSERT_TRUE(vandrel::ImportRegistryText(
      "REGEDIT4\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT]\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n\"VersionNumber\"=\"4.10.2222\"\n",
      error))
      << error;
  HANDLE token = nullptr;
  LUID luid{};
  TOKEN_PRIVILEGES privileges{1, {{{19, 0}, SE_PRIVILEGE_ENABLED}}};
  SetLastError(kSentinel);
  EXPECT_FALSE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token));
  EXPECT_EQ(GetLastError(), ERROR_CALL_NOT_IMPLEMENTED);
  SetLastError(kSentinel);
  EXPECT_FALSE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &luid));
  EXPECT_EQ(GetLastError(), ERROR_CALL_NOT_IMPLEMENTED);
  SetLastError(kSentinel);
  EXPECT_FALSE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_CALL_NOT_IMPLEMENTED);
  EXPECT_TRUE(ExitWindowsEx(EWX_REBOOT, 0));
  EXPECT_EQ(Restarts(), std::vector<std::string>{"EWX_REBOOT"});
}

}  // namespace
