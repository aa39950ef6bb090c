#include <gtest/gtest.h>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/Registry.h"

namespace {

using testing_support::TestMachine;

struct Read {
  LONG rc;
  DWORD type;
  std::string data;
};
Read Query(HKEY root, const std::string& path, const std::string& name) {
  HKEY key = nullptr;
  if (LONG rc = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key)) return {rc, 0, {}};
  DWORD type = 0, size = 0;
  LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
  std::string data(size, '\0');
  if (!rc) rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  RegCloseKey(key);
  return {rc, type, data};
}

std::string Export(const std::string& key) {
  std::string text, error;
  EXPECT_TRUE(vandrel::ExportRegistryText(key, text, error)) << error;
  return text;
}

void Import(const std::string& text) {
  std::string error;
  ASSERT_TRUE(vandrel::ImportRegistryText(text, error)) << error;
}

TEST(RegistryText, ImportReadsEveryFormOfValue) {
  TestMachine machine;
  Import(
      "REGEDIT4\n"
      "\n"
      "; a comment\n"
      "[HKEY_CURRENT_USER\\Software\\Import\\Első]\r\n"_cp
      "@=\"alapérték\"\n"_cp
      "\"Idéző \\\"jel\\\" és \\\\ jel\"=\"C:\\\\Program Files\\\\\"\n"_cp
      "\"Szám\"=dword:0000002a\n"_cp
      "\"Nagy\"=dword:FFFFFFFF\n"
      "\"Bájtok\"=hex:00,ff,\\\n"_cp
      "  10,80\n"
      "\"Üres\"=hex:\n"_cp
      "\"Kibontható\"=hex(2):25,54,45,4d,50,25,00\n"_cp
      "\"Lista\"=hex(7):61,00,62,00,00\n"
      "\"Üres szöveg\"=\"\"\n"_cp
      "\n"
      "[hkey_local_machine\\SOFTWARE\\Import]\n"
      "\"Gép\"=\"igen\"\n"_cp);
  const std::string key = "Software\\Import\\Első"_cp;
  struct Case {
    std::string name;
    DWORD type;
    std::string data;
  } cases[] = {
      {"", REG_SZ, std::string("alapérték\0"_cp.c_str(), 10)},
      {"idéző \"jel\" és \\ jel"_cp, REG_SZ, std::string("C:\\Program Files\\\0", 18)},
      {"szám"_cp, REG_DWORD, std::string("\x2a\0\0\0", 4)},
      {"Nagy", REG_DWORD, "\xFF\xFF\xFF\xFF"},
      {"bájtok"_cp, REG_BINARY, std::string("\x00\xff\x10\x80", 4)},
      {"üres"_cp, REG_BINARY, ""},
      {"kibontható"_cp, REG_EXPAND_SZ, std::string("%TEMP%\0", 7)},
      {"Lista", REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
      {"Üres szöveg"_cp, REG_SZ, std::string("\0", 1)},
  };
  for (const auto& c : cases) {
    Read r = Query(HKEY_CURRENT_USER, key, c.name);
    EXPECT_EQ(r.rc, ERROR_SUCCESS) << c.name;
    EXPECT_EQ(r.type, c.type) << c.name;
    EXPECT_EQ(r.data, c.data) << c.name;
  }
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "SOFTWARE\\Import", "gép"_cp).rc, ERROR_SUCCESS);
}

TEST(RegistryText, DeletionsRemoveKeysAndValues) {
  TestMachine machine;
  Import(
      "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\T\\Marad]\n\"a\"=\"1\"\n\"b\"=\"2\"\n"
      "[HKEY_CURRENT_USER\\Software\\T\\Megy\\Mélyebb]\n\"c\"=\"3\"\n"_cp);
  Import("REGEDIT4\n[-HKEY_CURRENT_USER\\Software\\T\\megy]\n[HKEY_CURRENT_USER\\Software\\T\\Marad]\n\"A\"=-\n");
  EXPECT_EQ(Query(HKEY_CURRENT_USER, "Software\\T\\Marad", "a").rc, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Query(HKEY_CURRENT_USER, "Software\\T\\Marad", "b").rc, ERROR_SUCCESS);
  EXPECT_EQ(Query(HKEY_CURRENT_USER, "Software\\T\\Megy", "").rc, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Export("HKEY_CURRENT_USER\\Software\\T"),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\T]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\T\\Marad]\r\n\"b\"=\"2\"\r\n\r\n");
}

// "\\k\\k..." with `count` names.
std::string Levels(int count) {
  std::string path;
  for (int i = 0; i < count; ++i) path += "\\k";
  return path;
}

TEST(RegistryText, MalformedTextIsRefusedWholeWithItsLine) {
  TestMachine machine;
  struct Case {
    std::string text;
    std::string error;
  } cases[] = {
      {"", "line 1: the text does not start with \"REGEDIT4\""},
      {"Windows Registry Editor Version 5.00\n", "line 1:"},
      {"REGEDIT4\n\"a\"=\"b\"\n", "line 2: a value outside a key"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n\"a\"=\"jó\"\n[HKEY_NOWHERE\\X]\n"_cp, "line 4: unknown"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X\n", "line 2:"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\\\X]\n", "line 2:"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n\"a\"=\"jó\"\n\"b\"=dword:123456789\n"_cp, "line 4:"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n\"a\"=\"jó\"\n\"b\"=hex:0g\n"_cp, "line 4:"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n\"a\"=\"jó\"\n\"b\"=hex:1,2\n"_cp, "line 4:"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n\"a\"=\"jó\"\n\"b\"=hex(2:00\n"_cp, "line 4:"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n\"a\"=\"jó\"\n\"b\"=\"nyitva\n"_cp, "line 4:"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n\"a\"=\"jó\"\n\"b\"=szöveg\n"_cp, "line 4:"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n\"a\"=\"jó\"\nb=\"c\"\n"_cp, "line 4:"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n\"a\"\n", "line 3:"},
      {"REGEDIT4\n[-HKEY_CURRENT_USER\\Software\\X]\n\"a\"=\"b\"\n", "line 3: a value outside a key"},
      // The limits of the registry API.
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n[HKEY_CURRENT_USER\\Software\\X\\" + std::string(256, 'k') + "]\n",
       "line 3: a key name longer than 255 characters or holding a NUL character"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n[HKEY_CURRENT_USER\\Software\\X\\a" + std::string(1, '\0') + "b]\n",
       "line 3: a key name longer than 255 characters or holding a NUL character"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n\"" + std::string(16384, 'v') + "\"=\"w\"\n",
       "line 3: a value name longer than 16383 characters or holding a NUL character"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n\"a" + std::string(1, '\0') + "\"=\"w\"\n", "line 3: a value name"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n[HKEY_CURRENT_USER\\Software\\X" + Levels(511) + "]\n",
       "line 3: a key deeper than 512 levels"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\X]\n[HKEY_CLASSES_ROOT" + Levels(511) + "]\n",
       "line 3: a key deeper than 512 levels"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(vandrel::ImportRegistryText(c.text, error)) << c.text;
    EXPECT_EQ(error.substr(0, c.error.size()), c.error) << c.text;
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\X", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND)
        << "nothing of a refused text is imported: " << c.text;
  }
}

TEST(RegistryText, AKeyAtTheDepthLimitImportsAndExportsAndTheApiGoesNoDeeper) {
  TestMachine machine;
  std::string deepest = "HKEY_CURRENT_USER\\Software" + Levels(511);
  std::string error;
  ASSERT_TRUE(vandrel::ImportRegistryText("REGEDIT4\n[" + deepest + "]\n\"v\"=\"w\"\n", error)) << error;
  std::string text;
  ASSERT_TRUE(vandrel::ExportRegistryText("HKEY_CURRENT_USER\\Software\\k", text, error)) << error;
  size_t sections = 0;
  for (size_t at = text.find("\r\n["); at != std::string::npos; at = text.find("\r\n[", at + 1)) ++sections;
  EXPECT_EQ(sections, 511u) << "one section per key";
  EXPECT_NE(text.find("[" + deepest + "]\r\n\"v\"=\"w\"\r\n"), std::string::npos);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, ("Software" + Levels(510)).c_str(), 0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  HKEY deeper = nullptr;
  EXPECT_EQ(RegCreateKeyExA(key, "k", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &deeper, nullptr), ERROR_SUCCESS)
      << "the 512th level";
  RegCloseKey(deeper);
  EXPECT_EQ(RegCreateKeyExA(key, "k\\k", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &deeper, nullptr),
            ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
}

TEST(RegistryText, ExportWritesEachTypeInItsForm) {
  TestMachine machine;
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Kiiras", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  struct Case {
    std::string name;
    DWORD type;
    std::string data;
    std::string line;
  } cases[] = {
      {"", REG_SZ, std::string("x\0", 2), "@=\"x\""},
      {"Idéző\"", REG_SZ, std::string("a\\b\0", 4), "\"Idéző\\\"\"=\"a\\\\b\""},
      {"sorvég", REG_SZ, std::string("a\r\nb\0", 5), "\"sorvég\"=hex(1):61,0d,0a,62,00"},
      {"nul nélkül", REG_SZ, "ab", "\"nul nélkül\"=hex(1):61,62"},
      {"szám", REG_DWORD, std::string("\x0a\0\0\xff", 4), "\"szám\"=dword:ff00000a"},
      {"rövid szám", REG_DWORD, "\x01", "\"rövid szám\"=hex(4):01"},
      {"üres", REG_BINARY, "", "\"üres\"=hex:"},
      {"kibontható", REG_EXPAND_SZ, std::string("%A%\0", 4), "\"kibontható\"=hex(2):25,41,25,00"},
      {"hosszú", REG_BINARY, std::string(30, '\x11'),
       "\"hosszú\"=hex:11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,\\\r\n"
       "  11,11,11,11,11,11,11,11"},
  };
  std::string expected = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kiiras]\r\n";
  for (const auto& c : cases) {
    std::string name = cp1250::FromUtf8(c.name);
    ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, c.type, reinterpret_cast<const BYTE*>(c.data.data()),
                             DWORD(c.data.size())),
              ERROR_SUCCESS);
    expected += cp1250::FromUtf8(c.line) + "\r\n";
  }
  RegCloseKey(key);
  expected += "\r\n";
  std::string text = Export("HKEY_CURRENT_USER\\software\\kiiras");
  EXPECT_EQ(text, expected);
  // What was exported imports back to the same bytes.
  HKEY root = nullptr;
  RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ALL_ACCESS, &root);
  ASSERT_EQ(RegDeleteKeyA(root, "Kiiras"), ERROR_SUCCESS);
  RegCloseKey(root);
  Import(text);
  for (const auto& c : cases) {
    Read r = Query(HKEY_CURRENT_USER, "Software\\Kiiras", cp1250::FromUtf8(c.name));
    EXPECT_EQ(r.type, c.type) << c.name;
    EXPECT_EQ(r.data, c.data) << c.name;
  }
  EXPECT_EQ(Export("HKEY_CURRENT_USER\\Software\\Kiiras"), text);
  std::string error;
  EXPECT_FALSE(vandrel::ExportRegistryText("HKEY_CURRENT_USER\\Nincs", text, error));
  EXPECT_EQ(error, "the key \"HKEY_CURRENT_USER\\Nincs\" does not exist");
}

TEST(RegistryText, TheDefaultMachineHoldsWhatThePartsRead) {
  TestMachine machine;
  struct Case {
    HKEY root;
    std::string key, name;
  } cases[] = {
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProductId"},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "DigitalProductId"},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup", "PrivateHash"},
      {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName", "ComputerName"},
      {HKEY_CURRENT_USER, "Control Panel\\International", "sShortDate"},
      {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Favorites"},
      {HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Toolbar", "LinksFolderName"},
  };
  for (const auto& c : cases) EXPECT_EQ(Query(c.root, c.key, c.name).rc, ERROR_SUCCESS) << c.key << " " << c.name;
  EXPECT_EQ(
      Query(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Favorites")
          .data,
      "C:\\Documents and Settings\\Felhasználó\\Kedvencek"_cp + '\0');
  EXPECT_TRUE(vandrel::MachineExists());
  vandrel::CreateDefaultMachine();
  HKEY key = nullptr;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0, KEY_READ, &key);
  DWORD values = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                   nullptr);
  EXPECT_EQ(values, 9u) << "creating the machine again adds nothing";
  RegCloseKey(key);
}

TEST(RegistryText, AnEmptyMachineIsNotCreatedUntilAsked) {
  TestMachine machine(TestMachine::Contents::Empty);
  EXPECT_FALSE(vandrel::MachineExists());
  vandrel::CreateDefaultMachine();
  EXPECT_TRUE(vandrel::MachineExists());
}

}  // namespace
