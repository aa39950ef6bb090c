#include "platform/runtime/Strings.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Streams.h"
#include "platform/testing/PythonOracle.h"

namespace {

using Lines = std::vector<std::string>;

Lines LinesOf(const TStrings& list) {
  Lines out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list[i]);
  return out;
}

std::unique_ptr<TStringList> ListOf(const Lines& lines) {
  std::unique_ptr<TStringList> list(TStringList::Create());
  for (const auto& s : lines) list->Add(s);
  return list;
}

TEST(StringList, TextSplitsAtCrLfLfAndLoneCrAndJoinsWithCrLf) {
  struct Case {
    std::string text;
    Lines lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"\r\n", {""}},
      {"\n\n", {"", ""}},
      {"\r\n\r\n\r\n", {"", "", ""}},
      {"  x = 1 \t\r\ny", {"  x = 1 \t", "y"}},
      {std::string("a\0b\r\nc", 6), {std::string("a\0b", 3), "c"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    auto list = ListOf({"old"});
    list->SetText(c.text);
    EXPECT_EQ(LinesOf(*list), c.lines);
    std::string joined;
    for (const auto& line : c.lines) joined += line + "\r\n";
    EXPECT_EQ(list->Text(), joined);
  }
}

// Python's bytes.splitlines splits at exactly CR LF, LF and CR: an independent oracle over random texts.
TEST(StringList, LoadingAgreesWithPythonSplitlines) {
  std::mt19937 random(7);
  const std::string alphabet = std::string("ab \r\n\r\n\0\xE1", 9);
  auto hex = [](const std::string& bytes) {
    std::string out;
    for (unsigned char ch : bytes) out += "0123456789abcdef"[ch >> 4], out += "0123456789abcdef"[ch & 15];
    return out;
  };
  std::string input;
  std::vector<std::string> texts;
  for (int i = 0; i < 300; ++i) {
    std::string text;
    for (int n = random() % 12; n > 0; --n) text += alphabet[random() % alphabet.size()];
    texts.push_back(text);
    input += hex(text) + "\n";
  }
  // One output line per text: its lines, each as "x" and its hex, joined by commas.
  std::string out = testing_support::RunPython(
      "import sys\n"
      "for line in sys.stdin.read().split('\\n')[:-1]:\n"
      "    print(','.join('x' + p.hex() for p in bytes.fromhex(line).splitlines()))\n",
      input);
  std::istringstream results(out);
  for (const std::string& text : texts) {
    std::string expected;
    ASSERT_TRUE(std::getline(results, expected));
    TStringStream stream(text);
    auto list = ListOf({"old"});
    list->LoadFromStream(stream);
    std::string got;
    for (int i = 0; i < list->Count(); ++i) got += (i ? ",x" : "x") + hex(list->Strings(i));
    EXPECT_EQ(got, expected) << testing::PrintToString(text);
  }
}

TEST(StringList, NamesAndValuesSplitAtTheFirstEquals) {
  auto list = ListOf({"a=1", "b==2", "plain", "=d", "A=5", "Árvíz=víz"_cp});
  const Lines names = {"a", "b", "", "", "A", "Árvíz"_cp};
  const Lines values = {"1", "=2", "", "d", "5", "víz"_cp};
  for (int i = 0; i < list->Count(); ++i) {
    EXPECT_EQ(list->Names(i), names[i]) << i;
    EXPECT_EQ(list->ValueFromIndex(i), values[i]) << i;
  }
  struct Lookup {
    std::string name;
    int index;
    std::string value;
  };
  const Lookup lookups[] = {
      {"A", 0, "1"}, {"b", 1, "=2"}, {"plain", -1, ""}, {"", 3, "d"}, {"ÁRVÍZ"_cp, 5, "víz"_cp}, {"zzz", -1, ""},
  };
  for (const Lookup& l : lookups) {
    EXPECT_EQ(list->IndexOfName(l.name), l.index) << l.name;
    EXPECT_EQ(list->Values(l.name), l.value) << l.name;
  }
  EXPECT_EQ(list->ValueFromIndex(-1), "");
  list->SetValues("B", "3");  // replaces the line in place, under the new spelling
  list->SetValues("a", "");   // deletes
  list->SetValues("new", "x");
  EXPECT_EQ(LinesOf(*list), (Lines{"B=3", "plain", "=d", "A=5", "Árvíz=víz"_cp, "new=x"}));
}

TEST(StringList, SortedAddsFollowTheDuplicatesMode) {
  struct Case {
    TDuplicates mode;
    bool caseSensitive;
    Lines adds;
    Lines result;
    std::vector<int> indexes;  // returned by each Add; -1 = raised
  };
  const Case cases[] = {
      {dupIgnore, false, {"b", "á"_cp, "a", "A", "B"}, {"a", "á"_cp, "b"}, {0, 0, 0, 0, 2}},
      {dupAccept, false, {"b", "á"_cp, "a", "A", "B"}, {"A", "a", "á"_cp, "B", "b"}, {0, 0, 0, 0, 3}},
      {dupError, false, {"b", "a", "A", "c"}, {"a", "b", "c"}, {0, 0, -1, 2}},
      {dupError, true, {"b", "B", "a", "A", "a"}, {"a", "A", "b", "B"}, {0, 1, 0, 1, -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.adds));
    auto list = ListOf({});
    list->SetSorted(true);
    list->SetDuplicates(c.mode);
    list->SetCaseSensitive(c.caseSensitive);
    std::vector<int> indexes;
    for (const auto& s : c.adds) {
      try {
        indexes.push_back(list->Add(s));
      } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message(), "String list does not allow duplicates");
        indexes.push_back(-1);
      }
    }
    EXPECT_EQ(LinesOf(*list), c.result);
    EXPECT_EQ(indexes, c.indexes);
  }
}

TEST(StringList, FindAndIndexOfInSortedAndUnsortedLists) {
  auto list = ListOf({"körte"_cp, "alma", "Szilva", "barack", "ÁFONYA"_cp});
  EXPECT_EQ(list->IndexOf("szilva"), 2);  // unsorted: a linear, case-insensitive search
  list->SetSorted(true);
  EXPECT_EQ(LinesOf(*list), (Lines{"alma", "ÁFONYA"_cp, "barack", "körte"_cp, "Szilva"}));
  int index = -1;
  EXPECT_TRUE(list->Find("áfonya"_cp, index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list->Find("cseresznye", index));
  EXPECT_EQ(index, 3);
  EXPECT_EQ(list->IndexOf("KÖRTE"_cp), 3);
  EXPECT_EQ(list->IndexOf("dinnye"), -1);

  // Switching to case-sensitive order re-sorts, so that searches stay right.
  auto cased = ListOf({"b", "B", "a", "A"});
  cased->SetSorted(true);
  cased->SetCaseSensitive(true);
  EXPECT_EQ(LinesOf(*cased), (Lines{"a", "A", "b", "B"}));
  EXPECT_EQ(cased->IndexOf("B"), 3);
  EXPECT_EQ(cased->IndexOf("b"), 2);
}

TEST(StringList, IndexErrorsAndSortedListRestrictions) {
  struct Case {
    const char* what;
    bool sorted;
    std::function<void(TStringList&)> op;
    const char* message;
  };
  const Case cases[] = {
      {"read", false, [](TStringList& l) { l.Strings(2); }, "List index out of bounds (2)"},
      {"read -1", false, [](TStringList& l) { l[-1]; }, "List index out of bounds (-1)"},
      {"object", false, [](TStringList& l) { l.Objects(5); }, "List index out of bounds (5)"},
      {"write", false, [](TStringList& l) { l.SetStrings(2, "x"); }, "List index out of bounds (2)"},
      {"delete", false, [](TStringList& l) { l.Delete(2); }, "List index out of bounds (2)"},
      {"insert", false, [](TStringList& l) { l.Insert(3, "x"); }, "List index out of bounds (3)"},
      {"exchange", false, [](TStringList& l) { l.Exchange(0, 9); }, "List index out of bounds (9)"},
      {"move", false, [](TStringList& l) { l.Move(0, 2); }, "List index out of bounds (2)"},
      {"name", false, [](TStringList& l) { l.Names(4); }, "List index out of bounds (4)"},
      {"sorted insert", true, [](TStringList& l) { l.Insert(0, "x"); }, "Operation not allowed on sorted list"},
      {"sorted write", true, [](TStringList& l) { l.SetStrings(0, "x"); }, "Operation not allowed on sorted list"},
      {"sorted move", true, [](TStringList& l) { l.Move(0, 1); }, "Operation not allowed on sorted list"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto list = ListOf({"a", "b"});
    list->SetSorted(c.sorted);
    try {
      c.op(*list);
      ADD_FAILURE() << "no error";
    } catch (const EStringListError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(LinesOf(*list), (Lines{"a", "b"}));
  }
}

std::vector<std::string> g_freed;

class TTagged : public TObject {
  VCL_CLASS(TTagged, TObject)
  explicit TTagged(std::string name) : name(std::move(name)) {}
  ~TTagged() override { g_freed.push_back(name); }
  std::string name;
};

TEST(StringList, ObjectsTravelWithTheirLinesAndOwnedOnesAreFreed) {
  g_freed.clear();
  TTagged* x = NewObject<TTagged>("x");
  {
    auto borrowed = ListOf({});
    borrowed->AddObject("one", x);
    borrowed->Delete(0);
  }
  EXPECT_TRUE(g_freed.empty());

  TStringList* owning = TStringList::Create(true);
  owning->AddObject("c", NewObject<TTagged>("c"));
  owning->AddObject("a", NewObject<TTagged>("a"));
  owning->AddObject("b", x);
  owning->Exchange(0, 2);
  owning->Move(0, 1);
  EXPECT_EQ(LinesOf(*owning), (Lines{"a", "b", "c"}));
  EXPECT_EQ(owning->IndexOfObject(x), 1);
  EXPECT_EQ(As<TTagged>(owning->Objects(2))->name, "c");
  owning->SetSorted(true);
  owning->SetObjects(0, NewObject<TTagged>("a2"));
  owning->Delete(2);
  EXPECT_EQ(g_freed, (Lines{"a", "c"}));
  owning->Free();
  EXPECT_EQ(g_freed, (Lines{"a", "c", "a2", "x"}));
}

TEST(StringList, ChangeEventsFireOncePerChangeAndOncePerUpdate) {
  auto list = ListOf({"a"});
  std::vector<std::string> events;
  list->OnChanging = [&](TObject* sender) {
    EXPECT_EQ(sender, list.get());
    events.push_back("changing " + std::to_string(list->Count()));
  };
  list->OnChange = [&](TObject*) { events.push_back("changed " + std::to_string(list->Count())); };
  list->Add("b");
  EXPECT_EQ(events, (Lines{"changing 1", "changed 2"}));

  events.clear();
  list->BeginUpdate();
  list->BeginUpdate();
  list->Add("c");
  list->Delete(0);
  list->EndUpdate();
  EXPECT_EQ(events, Lines{"changing 2"});
  list->EndUpdate();
  EXPECT_EQ(events, (Lines{"changing 2", "changed 2"}));

  events.clear();
  list->SetText("x\r\ny\r\nz");
  EXPECT_EQ(events, (Lines{"changing 2", "changed 3"}));
}

TEST(StringList, AssignCopiesLinesAndObjects) {
  TTagged* object = NewObject<TTagged>("o");
  auto source = ListOf({"k=v"});
  source->AddObject("with object", object);
  auto target = ListOf({"old"});
  target->Assign(source.get());
  EXPECT_TRUE(target->Equals(*source));
  EXPECT_EQ(target->Objects(1), object);
  target->Assign(target.get());
  EXPECT_EQ(LinesOf(*target), (Lines{"k=v", "with object"}));
  target->AddStrings(*target);
  EXPECT_EQ(target->Count(), 4);

  TComponent* component = TComponent::Create(nullptr);
  try {
    target->Assign(component);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TComponent to a TStringList");
  }
  component->Free();
  object->Free();
}

TEST(StringList, StreamsLoadFromTheirPositionAndSaveText) {
  TStringStream in("skip\r\nfirst\nsecond\r");
  in.SetPosition(6);
  auto list = ListOf({"old"});
  list->LoadFromStream(in);
  EXPECT_EQ(LinesOf(*list), (Lines{"first", "second"}));
  TStringStream out(">");
  out.Seek(0, soFromEnd);
  list->SaveToStream(out);
  EXPECT_EQ(out.DataString(), ">first\r\nsecond\r\n");
}

}  // namespace
