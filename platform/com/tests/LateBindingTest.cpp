// Automation by name: a server-side dispatch table, late binding over it, objects created by ProgID,
// objects that take new properties (IDispatchEx) and the conversions between argument types.
#include <gtest/gtest.h>

#include <functional>

#include "platform/com/ClassTable.h"
#include "platform/com/DispatchEx.h"
#include "platform/com/LateBinding.h"
#include "platform/com/OleError.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/Registry.h"

namespace {

constexpr CLSID kCounterClass = "{6F1B2A50-3C4D-4E5F-8A9B-0C1D2E3F4A5B}"_guid;

// An automation object with methods of required and optional parameters, a property and a failure.
class TCounter : public TTableDispatch<TCounter> {
 public:
  int32_t value = 0;
  std::vector<std::string> calls;

  static const TDispatchTable& DispatchTable() {
    static const TDispatchTable table = [] {
      TDispatchTable t("Test.Counter");
      t.Method("Add", 201, {Required(VT_I4), Optional(VT_I4, int32_t(10))},
               Bind<TCounter>([](TCounter& self, const TDispatchArgs& a) {
                 self.calls.push_back("Add");
                 return OleVariant(int32_t(a.Integer(0) + a.Integer(1)));
               }));
      t.Method("Label", 202, {Required(VT_BSTR), Required(VT_I4), Optional(VT_BSTR, "''")},
               Bind<TCounter>([](TCounter& self, const TDispatchArgs& a) {
                 self.calls.push_back("Label");
                 return OleVariant(a.String(0) + "#" + std::to_string(a.Integer(1)) + a.String(2));
               }));
      t.Method("Fail", 203, {}, Bind<TCounter>([](TCounter&, const TDispatchArgs&) -> OleVariant {
                 throw Exception("Nem sikerült"_cp);
               }));
      t.Property("Value", 204, VT_I4,
                 Bind<TCounter>([](TCounter& self, const TDispatchArgs&) { return OleVariant(self.value); }),
                 Bind<TCounter>([](TCounter& self, const TDispatchArgs& a) {
                   self.value = a.Integer(0);
                   return OleVariant();
                 }));
      t.Property("Kind", 205, VT_BSTR,
                 Bind<TCounter>([](TCounter&, const TDispatchArgs&) { return OleVariant("counter"); }));
      return t;
    }();
    return table;
  }
};

VARIANT Int(LONG value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}
VARIANT Missing() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ERROR;
  v.scode = DISP_E_PARAMNOTFOUND;
  return v;
}

struct RawCall {
  HRESULT hr;
  std::string result;
  UINT argErr;
};

// Calls a method by DISPID with its arguments in natural order (the text ones given as OleVariants).
RawCall Call(IDispatch* object, DISPID id, std::vector<OleVariant> args, WORD flags = DISPATCH_METHOD) {
  std::vector<VARIANT> reversed;
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(*it->Get());
  DISPPARAMS params{reversed.data(), nullptr, UINT(reversed.size()), 0};
  OleVariant result;
  EXCEPINFO info{};
  UINT argErr = 99;
  HRESULT hr = object->Invoke(id, GUID_NULL, 0, flags, &params, result.Get(), &info, &argErr);
  std::string text = result.Type() == VT_I4 ? std::to_string(result.AsInteger()) : result.AsString();
  if (hr == DISP_E_EXCEPTION) text = OleStrToString(info.bstrSource) + ": " + OleStrToString(info.bstrDescription);
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  return {hr, text, argErr};
}

TEST(DispatchTable, ArgumentsAreConvertedDefaultedAndChecked) {
  auto counter = MakeComObject<TCounter>();
  OleVariant missing, five(int32_t(5)), text("7"), word("hét"_cp), flag(true);
  *missing.Get() = Missing();
  struct Case {
    const char* what;
    DISPID id;
    std::vector<OleVariant> args;
    HRESULT hr;
    std::string result;
    UINT argErr;
  } cases[] = {
      {"both given", 201, {five, OleVariant(int32_t(2))}, S_OK, "7", 99},
      {"optional left out", 201, {five}, S_OK, "15", 99},
      {"optional marked missing", 201, {five, missing}, S_OK, "15", 99},
      {"numeric text converts", 201, {text, five}, S_OK, "12", 99},
      {"a boolean is -1", 201, {flag}, S_OK, "9", 99},
      {"text that is no number", 201, {five, word}, DISP_E_TYPEMISMATCH, "", 0},
      {"the first argument's position", 201, {word, five}, DISP_E_TYPEMISMATCH, "", 1},
      {"required missing", 201, {missing, five}, DISP_E_PARAMNOTFOUND, "", 1},
      {"too few", 201, {}, DISP_E_BADPARAMCOUNT, "", 99},
      {"too many", 201, {five, five, five}, DISP_E_BADPARAMCOUNT, "", 99},
      {"text default", 202, {OleVariant("a"), five}, S_OK, "a#5''", 99},
      {"number to text", 202, {five, OleVariant("3"), OleVariant("!")}, S_OK, "5#3!", 99},
      {"a failure is described", 203, {}, DISP_E_EXCEPTION, "Test.Counter: Nem sikerült"_cp, 99},
      {"unknown member", 299, {}, DISP_E_MEMBERNOTFOUND, "", 99},
  };
  for (const Case& c : cases) {
    RawCall r = Call(counter.Get(), c.id, c.args);
    EXPECT_EQ(r.hr, c.hr) << c.what;
    EXPECT_EQ(r.result, c.result) << c.what;
    EXPECT_EQ(r.argErr, c.argErr) << c.what;
  }
  EXPECT_EQ(counter->calls.size(), 7u) << "members ran only for the good calls";
}

TEST(DispatchTable, NamesInAnyCaseAndKindsOfCall) {
  auto counter = MakeComObject<TCounter>();
  for (const char16_t* name : {u"add", u"ADD", u"Add"}) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = 0;
    EXPECT_EQ(counter->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 201);
  }
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(u"Subtract")};
  DISPID id = 0;
  EXPECT_EQ(counter->GetIDsOfNames(GUID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
  LPOLESTR withNamedArg[] = {const_cast<LPOLESTR>(u"Add"), const_cast<LPOLESTR>(u"b")};
  DISPID ids[2];
  EXPECT_EQ(counter->GetIDsOfNames(GUID_NULL, withNamedArg, 2, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 201);
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);

  EXPECT_EQ(Call(counter.Get(), 204, {}, DISPATCH_METHOD).hr, DISP_E_MEMBERNOTFOUND) << "a property is no method";
  EXPECT_EQ(Call(counter.Get(), 201, {OleVariant(int32_t(1))}, DISPATCH_PROPERTYGET).hr, DISP_E_MEMBERNOTFOUND);
  VARIANT value = Int(3);
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS unnamed{&value, nullptr, 1, 0}, named{&value, &put, 1, 1};
  EXPECT_EQ(counter->Invoke(204, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &unnamed, nullptr, nullptr, nullptr),
            DISP_E_PARAMNOTFOUND);
  EXPECT_EQ(counter->Invoke(205, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &named, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND)
      << "read-only";
  EXPECT_EQ(counter->Invoke(204, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &named, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(counter->value, 3);
  EXPECT_EQ(counter->Invoke(201, GUID_NULL, 0, DISPATCH_METHOD, &named, nullptr, nullptr, nullptr), DISP_E_NONAMEDARGS);
  OleVariant failure;
  UINT argErr = 0;
  EXPECT_EQ(counter->Invoke(203, GUID_NULL, 0, DISPATCH_METHOD, &unnamed, failure.Get(), nullptr, &argErr),
            DISP_E_BADPARAMCOUNT);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(counter->Invoke(203, GUID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), E_UNEXPECTED)
      << "without exception information the code itself";
}

TEST(LateBinding, PropertiesAndMethodsByName) {
  auto counter = MakeComObject<TCounter>();
  IDispatch* object = counter.Get();
  SetDispatchProperty(object, "value", int32_t(41));
  EXPECT_EQ(GetDispatchProperty(object, "VALUE").AsInteger(), 41);
  EXPECT_EQ(GetDispatchProperty(object, "Kind").AsString(), "counter");
  EXPECT_EQ(CallDispatchMethod(object, "add", {int32_t(1), int32_t(2)}).AsInteger(), 3);
  EXPECT_EQ(CallDispatchMethod(object, "Label", {"x", int32_t(4)}).AsString(), "x#4''");
  EXPECT_EQ(counter->calls, (std::vector<std::string>{"Add", "Label"}));

  try {
    CallDispatchMethod(object, "Fail");
    ADD_FAILURE() << "no error";
  } catch (const EOleException& e) {
    EXPECT_EQ(e.Message(), "Nem sikerült"_cp);
    EXPECT_EQ(e.Source(), "Test.Counter");
    EXPECT_EQ(e.ErrorCode(), E_UNEXPECTED);
  }
  struct Failure {
    std::function<void()> call;
    HRESULT code;
    std::string message;
  } failures[] = {
      {[&] { CallDispatchMethod(object, "Multiply"); }, DISP_E_UNKNOWNNAME, "Unknown name."},
      {[&] { CallDispatchMethod(object, "Add"); }, DISP_E_BADPARAMCOUNT, "Invalid number of parameters."},
      {[&] { CallDispatchMethod(object, "Add", {"egy"}); }, DISP_E_TYPEMISMATCH, "Type mismatch."},
      {[&] { SetDispatchProperty(object, "Kind", "x"); }, DISP_E_MEMBERNOTFOUND, "Member not found."},
      {[&] { GetDispatchProperty(nullptr, "Kind"); }, E_POINTER, "Invalid pointer"},
  };
  for (const Failure& f : failures) {
    try {
      f.call();
      ADD_FAILURE() << f.message;
    } catch (const EOleSysError& e) {
      EXPECT_EQ(e.ErrorCode(), f.code) << f.message;
      EXPECT_EQ(e.Message(), f.message);
    }
  }
  EXPECT_EQ(counter->value, 41) << "the failed put changed nothing";
}

class ProgIds : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
  void TearDown() override {
    UnregisterComClass(kCounterClass);
    CoUninitialize();
  }
  void Import(const std::string& text) {
    std::string error;
    ASSERT_TRUE(vandrel::ImportRegistryText("REGEDIT4\n" + text, error)) << error;
  }
  testing_support::TestMachine machine_;
};

TEST_F(ProgIds, CreateOleObjectOfARegisteredProgId) {
  RegisterComClass(kCounterClass, ComCreatorOf<TCounter>());
  Import("[HKEY_CLASSES_ROOT\\Test.Counter\\CLSID]\n@=\"" + GUIDToString(kCounterClass) + "\"\n");
  CLSID clsid{};
  EXPECT_EQ(CLSIDFromProgID(u"test.counter", &clsid), S_OK) << "key names ignore the case";
  EXPECT_EQ(clsid, kCounterClass);
  ComPtr<IDispatch> object = CreateOleObject("Test.Counter");
  ASSERT_TRUE(object);
  EXPECT_EQ(CallDispatchMethod(object.Get(), "Add", {int32_t(2)}).AsInteger(), 12);
}

TEST_F(ProgIds, UnknownOrBrokenProgIdsAreInvalidClassStrings) {
  Import(
      "[HKEY_CLASSES_ROOT\\Test.Broken\\CLSID]\n@=\"not a guid\"\n[HKEY_CLASSES_ROOT\\Test.Bare]\n"
      "[HKEY_CLASSES_ROOT\\Test.Gone\\CLSID]\n@=\"" +
      GUIDToString(kCounterClass) + "\"\n");
  for (const char16_t* name : {u"Test.Nothing", u"Test.Broken", u"Test.Bare", u"", u"CLSID\\x"}) {
    CLSID clsid = kCounterClass;
    EXPECT_EQ(CLSIDFromProgID(name, &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(clsid, GUID_NULL);
  }
  EXPECT_EQ(CLSIDFromProgID(nullptr, nullptr), E_INVALIDARG);
  try {
    CreateOleObject("InternetExplorer.Application");
    ADD_FAILURE();
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.Message(), "Invalid class string");
    EXPECT_EQ(e.ErrorCode(), CO_E_CLASSSTRING);
  }
  try {
    CreateOleObject("Test.Gone");
    ADD_FAILURE();
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.Message(), "Class not registered") << "a ProgID whose class is not installed";
  }
}

// A script object: one fixed member, everything else added by name.
class TScriptObject : public TExpandoDispatch<TScriptObject> {
 public:
  static const TDispatchTable& DispatchTable() {
    static const TDispatchTable table = [] {
      TDispatchTable t("Test.Window");
      t.Property("name", 1, VT_BSTR,
                 Bind<TScriptObject>([](TScriptObject&, const TDispatchArgs&) { return OleVariant("main"); }));
      return t;
    }();
    return table;
  }
};

HRESULT PutEx(IDispatchEx* object, DISPID id, const OleVariant& value, bool named = true) {
  VARIANT arg = *value.Get();
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{&arg, named ? &put : nullptr, 1, named ? 1u : 0u};
  return object->InvokeEx(id, 0x400, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

TEST(DispatchEx, EnsuredNamesArePutAndKnownAfterwards) {
  auto window = MakeComObject<TScriptObject>();
  ComPtr<IDispatchEx> ex = ComPtr<IDispatch>(window.Get()).As<IDispatchEx>();
  ASSERT_TRUE(ex);
  WideString name = WideString::FromString("Pellandra");
  DISPID id = 0;
  LPOLESTR names[] = {name.Get()};
  EXPECT_EQ(ex->GetIDsOfNames(GUID_NULL, names, 1, 0x400, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ex->GetDispID(name.Get(), 0, &id), DISP_E_UNKNOWNNAME);
  ASSERT_EQ(ex->GetDispID(name.Get(), fdexNameEnsure, &id), S_OK);
  DISPID again = 0;
  EXPECT_EQ(ex->GetDispID(name.Get(), fdexNameEnsure, &again), S_OK);
  EXPECT_EQ(again, id) << "one name, one DISPID";

  auto counter = MakeComObject<TCounter>();
  EXPECT_EQ(PutEx(ex.Get(), id, OleVariant(static_cast<IDispatch*>(counter.Get())), false), DISP_E_PARAMNOTFOUND);
  ASSERT_EQ(PutEx(ex.Get(), id, OleVariant(static_cast<IDispatch*>(counter.Get()))), S_OK);
  WideString lower = WideString::FromString("pellandra");
  LPOLESTR lowerNames[] = {lower.Get()};
  DISPID known = 0;
  EXPECT_EQ(ex->GetIDsOfNames(GUID_NULL, lowerNames, 1, 0x400, &known), S_OK) << "the window knows the name";
  EXPECT_EQ(known, id);
  EXPECT_EQ(ex->GetDispID(lower.Get(), 0, &known), DISP_E_UNKNOWNNAME) << "script names keep their case";
  EXPECT_EQ(ex->GetDispID(lower.Get(), fdexNameCaseInsensitive, &known), S_OK);

  OleVariant held = GetDispatchProperty(ex.Get(), "Pellandra");
  ASSERT_EQ(held.Type(), VT_DISPATCH);
  EXPECT_EQ(held.Get()->pdispVal, static_cast<IDispatch*>(counter.Get()));
  EXPECT_EQ(CallDispatchMethod(held.Get()->pdispVal, "Add", {int32_t(1)}).AsInteger(), 11);
  EXPECT_EQ(GetDispatchProperty(ex.Get(), "NAME").AsString(), "main") << "fixed members answer first";

  DISPID next = 0;
  EXPECT_EQ(ex->GetNextDispID(fdexEnumAll, DISPID_STARTENUM, &next), S_OK);
  EXPECT_EQ(next, id);
  EXPECT_EQ(ex->GetNextDispID(fdexEnumAll, next, &next), S_FALSE);
  BSTR memberName = nullptr;
  ASSERT_EQ(ex->GetMemberName(id, &memberName), S_OK);
  EXPECT_EQ(OleStrToString(memberName), "Pellandra");
  SysFreeString(memberName);
  EXPECT_EQ(ex->DeleteMemberByName(name.Get(), 0), S_OK);
  EXPECT_EQ(ex->GetIDsOfNames(GUID_NULL, names, 1, 0x400, &known), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(PutEx(ex.Get(), id, OleVariant(int32_t(1))), DISP_E_MEMBERNOTFOUND);
}

TEST(Variants, ChangeTypeBetweenArgumentKinds) {
  struct Case {
    OleVariant from;
    VARTYPE to;
    HRESULT hr;
    std::string text;  // the result as text (BSTR) or decimal (integers, booleans as -1/0)
  } cases[] = {
      {OleVariant(" 42 "), VT_I4, S_OK, "42"},
      {OleVariant("2.5"), VT_I4, S_OK, "2"},
      {OleVariant("3.5"), VT_I4, S_OK, "4"},
      {OleVariant("4x"), VT_I4, DISP_E_TYPEMISMATCH, ""},
      {OleVariant("99999999999"), VT_I4, DISP_E_OVERFLOW, ""},
      {OleVariant("True"), VT_BOOL, S_OK, "-1"},
      {OleVariant("0"), VT_BOOL, S_OK, "0"},
      {OleVariant(int32_t(-12)), VT_BSTR, S_OK, "-12"},
      {OleVariant(true), VT_BSTR, S_OK, "-1"},
      {OleVariant(int32_t(70000)), VT_I2, DISP_E_OVERFLOW, ""},
      {OleVariant(), VT_BSTR, S_OK, ""},
      {OleVariant(), VT_I4, S_OK, "0"},
      {OleVariant("x"), VT_DISPATCH, DISP_E_TYPEMISMATCH, ""},
  };
  for (const Case& c : cases) {
    OleVariant out;
    HRESULT hr = VariantChangeType(out.Get(), c.from.Get(), 0, c.to);
    EXPECT_EQ(hr, c.hr) << c.text << " to " << c.to;
    if (FAILED(hr)) continue;
    EXPECT_EQ(out.Type(), c.to);
    const VARIANT* v = out.Get();
    std::string text = v->vt == VT_BSTR   ? out.AsString()
                       : v->vt == VT_BOOL ? std::to_string(v->boolVal)
                       : v->vt == VT_I2   ? std::to_string(v->iVal)
                                          : std::to_string(v->lVal);
    EXPECT_EQ(text, c.text);
  }
  OleVariant inPlace("17");
  ASSERT_EQ(VariantChangeType(inPlace.Get(), inPlace.Get(), 0, VT_I4), S_OK);
  EXPECT_EQ(inPlace.AsInteger(), 17);
  OleVariant target(int32_t(5));
  OleVariant byRef = OleVariant::RefTo(target.Get());
  OleVariant copied;
  ASSERT_EQ(VariantChangeType(copied.Get(), byRef.Get(), 0, VT_VARIANT), S_OK);
  EXPECT_EQ(copied.Type(), VT_I4) << "references are followed";
}

}  // namespace
