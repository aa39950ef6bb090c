#include "platform/winapi/Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/ChildProcess.h"
#include "platform/testing/PythonOracle.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"

namespace {

using testing_support::TestMachine;

const std::string kHelper = std::string(VANDREL_BINARY_DIR) + "/tests/winapi_helper";

HKEY Create(HKEY root, const std::string& path, REGSAM access = KEY_ALL_ACCESS) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, access, nullptr, &key, nullptr), ERROR_SUCCESS) << path;
  return key;
}

HKEY Open(HKEY root, const std::string& path, REGSAM access = KEY_READ) {
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExA(root, path.c_str(), 0, access, &key);
  return rc == ERROR_SUCCESS ? key : nullptr;
}

LONG Set(HKEY key, const std::string& name, DWORD type, const std::string& data) {
  return RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()));
}

LONG SetText(HKEY key, const std::string& name, const std::string& text) {
  return Set(key, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

// The value's type and bytes through the two-call protocol, or the error.
struct Read {
  LONG rc;
  DWORD type;
  std::string data;
};
Read Query(HKEY key, const std::string& name) {
  DWORD type = 0, size = 0;
  LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
  if (rc) return {rc, 0, {}};
  std::string data(size, '\0');
  rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  data.resize(size);
  return {rc, type, data};
}

std::vector<std::string> ValueNames(HKEY key) {
  std::vector<std::string> names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr)) break;
    names.emplace_back(name, length);
  }
  return names;
}

std::vector<std::string> KeyNames(HKEY key) {
  std::vector<std::string> names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr)) break;
    names.emplace_back(name, length);
  }
  return names;
}

TEST(Registry, ValuesOfEveryTypeReadBackWithTheSizeProtocol) {
  TestMachine machine;
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Próba"_cp);
  struct Case {
    std::string name;
    DWORD type;
    std::string data;
  } cases[] = {
      {"szöveg"_cp, REG_SZ, std::string("árvíz\0", 6)},
      {"kibontható"_cp, REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9)},
      {"bináris"_cp, REG_BINARY, std::string("\x00\xFF\x10\x80", 4)},
      {"szám"_cp, REG_DWORD, std::string("\x2A\x00\x00\x80", 4)},
      {"lista", REG_MULTI_SZ, std::string("a\0bc\0\0", 6)},
      {"nagy", REG_QWORD, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
      {"saját típus"_cp, 0x12345, "valami"},
      {"üres"_cp, REG_BINARY, ""},
      {"", REG_SZ, std::string("alapérték\0"_cp.c_str(), 10)},
  };
  for (const auto& c : cases) ASSERT_EQ(Set(key, c.name, c.type, c.data), ERROR_SUCCESS) << c.name;
  for (const auto& c : cases) {
    Read r = Query(key, c.name);
    EXPECT_EQ(r.rc, ERROR_SUCCESS) << c.name;
    EXPECT_EQ(r.type, c.type) << c.name;
    EXPECT_EQ(r.data, c.data) << c.name;
  }
  char small[3];
  DWORD size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "szöveg"_cp.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u) << "the size needed";
  EXPECT_EQ(RegQueryValueExA(key, "nincs", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Query(HKEY_CURRENT_USER, "Software\\Próba").rc, ERROR_FILE_NOT_FOUND) << "a path is no value name";
  RegCloseKey(key);
}

TEST(Registry, NamesCompareInEitherCaseKeepTheirCaseAndEnumerateInInsertionOrder) {
  TestMachine machine;
  HKEY key = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vegyes\\Kis És Nagy"_cp);
  for (auto name : {"Zöld"_cp, "alma"_cp, "ÉJJEL"_cp, "Bab"_cp}) SetText(key, name, name);
  EXPECT_EQ(SetText(key, "ZÖLD"_cp, "újra"_cp), ERROR_SUCCESS);
  std::vector<std::string> expected = {"Zöld"_cp, "alma"_cp, "ÉJJEL"_cp, "Bab"_cp};
  EXPECT_EQ(ValueNames(key), expected) << "a value set again keeps its place and its name";
  EXPECT_EQ(Query(key, "zöld"_cp).data, std::string("újra\0"_cp.c_str(), 5));
  EXPECT_EQ(RegDeleteValueA(key, "éjjel"_cp.c_str()), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "éjjel"_cp.c_str()), ERROR_FILE_NOT_FOUND);
  for (auto name : {"Második", "első", "HARMADIK"}) RegCloseKey(Create(key, name));
  EXPECT_EQ(KeyNames(key), (std::vector<std::string>{"Második", "első", "HARMADIK"}));
  DWORD subKeys, maxSubKey, values, maxName, maxData;
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values, &maxName, &maxData,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 3u);
  EXPECT_EQ(maxSubKey, 8u);
  EXPECT_EQ(values, 3u);
  EXPECT_EQ(maxName, 4u);
  EXPECT_EQ(maxData, 5u);
  HKEY again = Open(HKEY_LOCAL_MACHINE, "software\\VEGYES\\kis és nagy"_cp);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(KeyNames(again).size(), 3u);
  char name[4];
  DWORD length = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(again, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  length = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(again, 3, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  RegCloseKey(again);
  RegCloseKey(key);
}

TEST(Registry, AccessRightsOfAHandleAreEnforced) {
  TestMachine machine;
  RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Jogok\\Van"));
  HKEY reader = Open(HKEY_CURRENT_USER, "Software\\Jogok", KEY_READ);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(SetText(reader, "x", "y"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueA(reader, "x"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(reader, "Van"), ERROR_ACCESS_DENIED);
  HKEY created = nullptr;
  EXPECT_EQ(RegCreateKeyExA(reader, "Uj", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCreateKeyExA(reader, "Van", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr), ERROR_SUCCESS)
      << "an existing key opens";
  RegCloseKey(created);
  HKEY writer = Open(HKEY_CURRENT_USER, "Software\\Jogok", KEY_WRITE);
  EXPECT_EQ(SetText(writer, "x", "y"), ERROR_SUCCESS);
  EXPECT_EQ(Query(writer, "x").rc, ERROR_ACCESS_DENIED);
  EXPECT_EQ(Query(reader, "x").rc, ERROR_SUCCESS);
  HKEY queryOnly = Open(HKEY_CURRENT_USER, "Software\\Jogok", KEY_QUERY_VALUE);
  char name[64];
  DWORD length = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(queryOnly, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
  for (HKEY k : {reader, writer, queryOnly}) EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(reader), ERROR_INVALID_HANDLE);
  EXPECT_EQ(SetText(reader, "x", "y"), ERROR_INVALID_HANDLE);
}

TEST(Registry, KeysAreCreatedOpenedAndDeleted) {
  TestMachine machine;
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\A\\B\\C", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  HKEY same = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "software\\a\\b\\c\\", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &same,
                            &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  RegCloseKey(same);
  struct Case {
    const char* path;
    LONG rc;
  } opens[] = {{"Software\\A\\B", ERROR_SUCCESS},
               {"Software\\A\\Nincs", ERROR_FILE_NOT_FOUND},
               {"\\Software\\A", ERROR_BAD_PATHNAME},
               {"Software\\\\A", ERROR_BAD_PATHNAME},
               {"", ERROR_SUCCESS}};
  for (const auto& c : opens) {
    HKEY opened = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, c.path, 0, KEY_READ, &opened), c.rc) << c.path;
    if (opened) RegCloseKey(opened);
  }
  HKEY a = Open(HKEY_CURRENT_USER, "Software\\A", KEY_ALL_ACCESS);
  EXPECT_EQ(RegDeleteKeyA(a, "B"), ERROR_ACCESS_DENIED) << "a key with subkeys stays";
  EXPECT_EQ(RegDeleteKeyA(a, "B\\C"), ERROR_SUCCESS);
  EXPECT_EQ(SetText(key, "x", "y"), ERROR_KEY_DELETED) << "a handle of a deleted key";
  EXPECT_EQ(RegDeleteKeyA(a, "B\\C"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(a, "b"), ERROR_SUCCESS);
  EXPECT_EQ(KeyNames(a), std::vector<std::string>{});
  RegCloseKey(key);
  RegCloseKey(a);
}

TEST(Registry, ClassesRootIsTheMachinesClassesKey) {
  TestMachine machine;
  HKEY clsid = Create(HKEY_CLASSES_ROOT, "CLSID\\{11111111-2B8D-44AF-82FA-F86E57899FB8}");
  SetText(clsid, "", "Tessaline");
  RegCloseKey(clsid);
  HKEY same = Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\{11111111-2b8d-44af-82fa-f86e57899fb8}");
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(Query(same, "").data, std::string("Tessaline\0", 10));
  RegCloseKey(same);
}

TEST(Registry, EachUserHasItsOwnCurrentUserKey) {
  TestMachine machine;
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Saját"_cp);
  SetText(key, "kié"_cp, "első"_cp);
  RegCloseKey(key);
  setenv("VANDREL_USER", "Kovács Péter", 1);
  EXPECT_EQ(Open(HKEY_CURRENT_USER, "Software\\Saját"_cp), nullptr);
  HKEY international = Open(HKEY_CURRENT_USER, "Control Panel\\International");
  EXPECT_NE(international, nullptr) << "a new user starts with the default settings";
  RegCloseKey(international);
  unsetenv("VANDREL_USER");
  key = Open(HKEY_CURRENT_USER, "Software\\Saját"_cp);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(Query(key, "KIÉ"_cp).data, std::string("első\0"_cp.c_str(), 5));
  RegCloseKey(key);
}

TEST(Registry, TestHooksCountOpensAndFailChosenKeys) {
  TestMachine machine;
  namespace hooks = vandrel::registry_testing;
  RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Horog\\Ag"));
  hooks::ResetOpenCount();
  HKEY a = Open(HKEY_CURRENT_USER, "Software\\Horog");
  HKEY b = Open(a, "Ag", KEY_ALL_ACCESS);
  EXPECT_EQ(hooks::OpenCount(), 2u);
  hooks::FailKey("hkey_current_user\\software\\HOROG\\ag", ERROR_ACCESS_DENIED);
  HKEY failed = nullptr;
  EXPECT_EQ(RegOpenKeyExA(a, "Ag", 0, KEY_READ, &failed), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Horog\\Ag", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &failed,
                            nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(failed, nullptr);
  EXPECT_EQ(SetText(b, "x", "y"), ERROR_SUCCESS) << "a handle opened before still works";
  hooks::ClearKeyFailures();
  EXPECT_EQ(RegOpenKeyExA(a, "Ag", 0, KEY_READ, &failed), ERROR_SUCCESS);
  EXPECT_EQ(hooks::OpenCount(), 5u);
  for (HKEY k : {a, b, failed}) RegCloseKey(k);
}

TEST(RegistryAcrossProcesses, AWriteOfOneProcessIsReadByAnotherAtOnce) {
  TestMachine machine;
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Kozos"_cp);
  SetText(key, "Érték"_cp, "régi"_cp);
  EXPECT_EQ(Query(key, "Érték"_cp).data, std::string("régi\0"_cp.c_str(), 5));
  for (std::string text : {"második", "harmadik ő"}) {
    EXPECT_EQ(testing_support::RunProgram(kHelper, {"set", "Software\\Kozos", "érték", text}), 0);
    EXPECT_EQ(Query(key, "Érték"_cp).data, cp1250::FromUtf8(text) + '\0') << "no value is cached";
  }
  SetText(key, "Érték"_cp, "negyedik"_cp);
  std::string output;
  EXPECT_EQ(testing_support::RunProgram(kHelper, {"get", "Software\\Kozos", "ÉRTÉK"}, &output), 0);
  EXPECT_EQ(output, "negyedik\n");
  RegCloseKey(key);
}

TEST(RegistryAcrossProcesses, EightWritersAtOnceLeaveEveryValueAndAnIntactDatabase) {
  TestMachine machine;
  constexpr int kWriters = 8, kValues = 200;
  {
    std::vector<std::unique_ptr<testing_support::ChildProcess>> writers;
    for (int i = 0; i < kWriters; ++i)
      writers.push_back(std::make_unique<testing_support::ChildProcess>(
          kHelper, std::vector<std::string>{"write-values", "Software\\Terheles", "w" + std::to_string(i) + "_",
                                            std::to_string(kValues)}));
    for (auto& writer : writers) EXPECT_EQ(writer->Wait(), 0);
  }
  HKEY key = Open(HKEY_CURRENT_USER, "Software\\Terheles");
  ASSERT_NE(key, nullptr);
  for (int i = 0; i < kWriters; ++i)
    for (int v = 0; v < kValues; ++v) {
      Read r = Query(key, "w" + std::to_string(i) + "_" + std::to_string(v));
      ASSERT_EQ(r.rc, ERROR_SUCCESS) << i << " " << v;
      EXPECT_EQ(r.type, REG_DWORD);
      EXPECT_EQ(r.data, std::string(reinterpret_cast<const char*>(&v), 4));
    }
  EXPECT_EQ(ValueNames(key).size(), size_t(kWriters * kValues));
  RegCloseKey(key);
  EXPECT_EQ(testing_support::SqliteIntegrityAndCount(vandrel::UserHivePath(vandrel::CurrentUserName()),
                                                     "SELECT count(*) FROM vals WHERE hex(name) LIKE '77%'"),
            "ok\n" + std::to_string(kWriters * kValues) + "\n");
}

}  // namespace
