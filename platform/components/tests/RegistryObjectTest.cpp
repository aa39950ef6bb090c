#include "platform/components/RegistryObject.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <sstream>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/LastError.h"

namespace {

using testing_support::TestMachine;

std::string Names(TStrings& list) {
  std::string text;
  for (int i = 0; i < list.Count(); ++i) text += (i ? "," : "") + list[i];
  return text;
}

TEST(TRegistry, OpenKeyIsRelativeToTheCurrentKeyOrFromTheRoot) {
  TestMachine machine;
  TRegistry registry;
  EXPECT_EQ(registry.RootKey(), HKEY_CURRENT_USER);
  ASSERT_TRUE(registry.OpenKey("\\Software\\Próba"_cp, true));
  EXPECT_EQ(registry.CurrentPath(), "Software\\Próba"_cp);
  ASSERT_TRUE(registry.OpenKey("Első\\Második"_cp, true));
  EXPECT_EQ(registry.CurrentPath(), "Software\\Próba\\Első\\Második"_cp);
  HKEY before = registry.CurrentKey();
  EXPECT_FALSE(registry.OpenKey("Nincs", false));
  EXPECT_EQ(registry.CurrentKey(), before) << "a failed open keeps the open key";
  ASSERT_TRUE(registry.OpenKey("\\software\\", false));
  EXPECT_EQ(registry.CurrentPath(), "software");
  EXPECT_TRUE(registry.KeyExists("próba\\első"_cp));
  EXPECT_TRUE(registry.KeyExists("\\Software\\Próba"_cp));
  EXPECT_FALSE(registry.KeyExists("\\Nincs"));
  registry.CloseKey();
  EXPECT_EQ(registry.CurrentKey(), nullptr);
  EXPECT_EQ(registry.CurrentPath(), "");
  ASSERT_TRUE(registry.OpenKey("Software", false)) << "relative to the root when no key is open";
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(registry.CurrentKey(), nullptr) << "another root closes the key";
  EXPECT_TRUE(registry.OpenKey("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", false));
}

struct Stored {
  DWORD type;
  std::string bytes;
};

// What a read gives: its value as text, or the error it raises.
std::string Outcome(const std::function<std::string()>& read) {
  try {
    return read();
  } catch (const ERegistryException& e) {
    return "! " + e.Message();
  }
}

std::string DoubleBytes(double value) { return std::string(reinterpret_cast<const char*>(&value), 8); }

TEST(TRegistry, TypedReadsCheckTheStoredType) {
  TestMachine machine;
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("\\Software\\Tipusok", true));
  const std::string bad = "! Invalid data type for 'v'", failed = "! Failed to get data for 'v'";
  struct Case {
    std::optional<Stored> stored;
    std::string asString, asInteger, asDate, asBinary;
  } cases[] = {
      {Stored{REG_SZ, std::string("szöveg\0"_cp.c_str(), 7)}, "szöveg"_cp, failed, bad, bad},
      {Stored{REG_SZ, std::string("1\0", 2)}, "1", bad, bad, bad},
      {Stored{REG_EXPAND_SZ, std::string("%TEMP%\0", 7)}, "%TEMP%", failed, bad, bad},
      {Stored{REG_SZ, std::string("hosszabb szöveg\0"_cp.c_str(), 16)}, "hosszabb szöveg"_cp, failed, failed, bad},
      {Stored{REG_DWORD, std::string("\x2a\0\0\0", 4)}, bad, "42", bad, bad},
      {Stored{REG_BINARY, DoubleBytes(38418.5)}, bad, failed, "38418.5", "8"},
      {Stored{REG_BINARY, "\x01\x02\x03\x04"}, bad, bad, bad, "4"},
      {Stored{REG_BINARY, std::string(12, 'x')}, bad, failed, failed, "12"},
      {Stored{REG_MULTI_SZ, std::string("a\0\0", 3)}, bad, bad, bad, "3"},
      {std::nullopt, "", failed, failed, "0"},
  };
  for (const auto& c : cases) {
    registry.DeleteValue("v");
    if (c.stored) {
      ASSERT_EQ(RegSetValueExA(registry.CurrentKey(), "v", 0, c.stored->type,
                               reinterpret_cast<const BYTE*>(c.stored->bytes.data()), DWORD(c.stored->bytes.size())),
                ERROR_SUCCESS);
    }
    std::string label =
        c.stored ? std::to_string(c.stored->type) + "/" + std::to_string(c.stored->bytes.size()) : "none";
    EXPECT_EQ(Outcome([&] { return registry.ReadString("v"); }), c.asString) << label;
    EXPECT_EQ(Outcome([&] { return std::to_string(registry.ReadInteger("v")); }), c.asInteger) << label;
    EXPECT_EQ(Outcome([&] {
                std::ostringstream s;
                s << registry.ReadDateTime("v");
                return s.str();
              }),
              c.asDate)
        << label;
    EXPECT_EQ(Outcome([&] {
                char buffer[16];
                return std::to_string(registry.ReadBinaryData("v", buffer, sizeof buffer));
              }),
              c.asBinary)
        << label;
    EXPECT_EQ(registry.ValueExists("V"), c.stored.has_value()) << label;
  }
  char small[2];
  registry.WriteBinaryData("b", "abc", 3);
  EXPECT_EQ(Outcome([&] { return std::to_string(registry.ReadBinaryData("b", small, sizeof small)); }),
            "! Invalid data type for 'b'")
      << "a buffer too small";
}

TEST(TRegistry, WritesStoreTheTypesTheirReadsExpect) {
  TestMachine machine;
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("\\Software\\Irasok", true));
  registry.WriteString("Szöveg"_cp, "árvíz"_cp);
  registry.WriteExpandString("Kibontható"_cp, "%TEMP%");
  registry.WriteInteger("Szám"_cp, -5);
  registry.WriteBool("Igaz", true);
  registry.WriteDateTime("Dátum"_cp, 38418.25);
  registry.WriteFloat("Tört"_cp, 0.5);
  registry.WriteBinaryData("Bájtok"_cp, "\x00\x01", 2);
  struct Case {
    std::string name;
    TRegDataType type;
    int size;
  } cases[] = {{"szöveg"_cp, rdString, 6}, {"KIBONTHATÓ"_cp, rdExpandString, 7},
               {"szám"_cp, rdInteger, 4},  {"Igaz", rdInteger, 4},
               {"dátum"_cp, rdBinary, 8},  {"Tört"_cp, rdBinary, 8},
               {"Bájtok"_cp, rdBinary, 2}, {"Nincs", rdUnknown, -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(registry.GetDataType(c.name), c.type) << c.name;
    EXPECT_EQ(registry.GetDataSize(c.name), c.size) << c.name;
  }
  EXPECT_EQ(registry.ReadString("Szöveg"_cp), "árvíz"_cp);
  EXPECT_EQ(registry.ReadInteger("Szám"_cp), -5);
  EXPECT_TRUE(registry.ReadBool("Igaz"));
  EXPECT_EQ(registry.ReadDateTime("Dátum"_cp), 38418.25);
  TStringList names;
  registry.GetValueNames(names);
  EXPECT_EQ(Names(names), "Szöveg,Kibontható,Szám,Igaz,Dátum,Tört,Bájtok"_cp);
  EXPECT_TRUE(registry.DeleteValue("igaz"));
  EXPECT_FALSE(registry.DeleteValue("igaz"));
}

TEST(TRegistry, AReadOnlyKeyRefusesWrites) {
  TestMachine machine;
  TRegistry writer;
  ASSERT_TRUE(writer.OpenKey("\\Software\\Olvasni", true));
  writer.WriteInteger("x", 1);
  TRegistry reader;
  ASSERT_TRUE(reader.OpenKeyReadOnly("\\Software\\Olvasni"));
  EXPECT_EQ(reader.Access(), KEY_READ);
  EXPECT_EQ(reader.ReadInteger("x"), 1);
  EXPECT_EQ(Outcome([&] {
              reader.WriteInteger("x", 2);
              return std::string();
            }),
            "! Failed to set data for 'x'");
  EXPECT_FALSE(reader.DeleteValue("x"));
  EXPECT_EQ(reader.ReadInteger("x"), 1);
}

TEST(TRegistry, KeysAreCreatedListedAndDeletedWithTheirSubkeys) {
  TestMachine machine;
  TRegistry registry;
  ASSERT_TRUE(registry.CreateKey("\\Software\\Fa\\Ág\\Levél"_cp));
  ASSERT_TRUE(registry.CreateKey("\\Software\\Fa\\Ág\\Rügy"_cp));
  ASSERT_TRUE(registry.CreateKey("\\Software\\Fa\\Törzs"_cp));
  ASSERT_TRUE(registry.OpenKey("\\Software\\Fa\\Ág\\Levél"_cp, false));
  registry.WriteString("szín"_cp, "zöld"_cp);
  ASSERT_TRUE(registry.OpenKey("\\Software\\Fa", false));
  EXPECT_TRUE(registry.HasSubKeys());
  TStringList names;
  registry.GetKeyNames(names);
  EXPECT_EQ(Names(names), "Ág,Törzs"_cp);
  EXPECT_TRUE(registry.DeleteKey("ág"_cp)) << "with its subkeys and values";
  registry.GetKeyNames(names);
  EXPECT_EQ(Names(names), "Törzs"_cp);
  EXPECT_FALSE(registry.KeyExists("\\Software\\Fa\\Ág\\Levél"_cp));
  EXPECT_FALSE(registry.DeleteKey("Nincs"));
  registry.CloseKey();
  EXPECT_TRUE(registry.DeleteKey("\\Software\\Fa"));
  EXPECT_FALSE(registry.KeyExists("\\Software\\Fa"));
  vandrel::registry_testing::FailKey("HKEY_CURRENT_USER\\Software\\Tilos", ERROR_ACCESS_DENIED);
  EXPECT_EQ(Outcome([&] { return std::to_string(registry.CreateKey("\\Software\\Tilos")); }),
            "! Failed to create key \\Software\\Tilos");
  EXPECT_FALSE(registry.OpenKey("\\Software\\Tilos", true));
}

}  // namespace
