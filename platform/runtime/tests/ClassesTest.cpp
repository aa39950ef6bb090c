#include "platform/runtime/Classes.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_log;

// Logs its notifications and its destruction, by name.
class TProbe : public TComponent {
  VCL_CLASS(TProbe, TComponent)
  explicit TProbe(TComponent* owner) : TComponent(owner) {}
  static TProbe* Create(TComponent* owner, const std::string& name) {
    TProbe* p = NewObject<TProbe>(owner);
    p->SetName(name);
    return p;
  }
  ~TProbe() override { g_log.push_back("free " + Name()); }
  TComponent* watched = nullptr;

 protected:
  void Notification(TComponent* c, TOperation op) override {
    inherited::Notification(c, op);
    g_log.push_back(Name() + (op == opInsert ? " +" : " -") + c->ClassName() + ":" + c->Name());
    if (op == opRemove && c == watched) watched = nullptr;
  }
};

class TFailing : public TProbe {
  VCL_CLASS(TFailing, TProbe)
  explicit TFailing(TComponent* owner) : TProbe(owner) {}
  void AfterConstruction() override {
    inherited::AfterConstruction();
    TProbe::Create(this, "inner");
    throw EConvertError("no");
  }
};

class ComponentTest : public ::testing::Test {
 protected:
  void SetUp() override { g_log.clear(); }
};

TEST_F(ComponentTest, OwnerFreesWhatItOwnsLastFirstAndAComponentFreedFirstLeavesIt) {
  TProbe* root = TProbe::Create(nullptr, "root");
  TProbe* a = TProbe::Create(root, "a");
  TProbe* b = TProbe::Create(root, "b");
  TProbe* c = TProbe::Create(root, "c");
  TProbe::Create(b, "b1");
  ASSERT_EQ(root->ComponentCount(), 3);
  EXPECT_EQ(root->Components(1), b);
  EXPECT_EQ(b->Owner(), root);
  EXPECT_THROW(root->Components(3), EListError);

  g_log.clear();
  a->Free();
  EXPECT_EQ(root->ComponentCount(), 2);
  EXPECT_EQ(root->Components(0), b);
  EXPECT_EQ(c->ComponentIndex(), 1);
  // The owner and everything it owns (last first, the leaving one too) hear of it; then it is deleted.
  EXPECT_EQ(g_log, (std::vector<std::string>{"c -TProbe:a", "b1 -TProbe:a", "b -TProbe:a", "a -TProbe:a",
                                             "root -TProbe:a", "free a"}));

  g_log.clear();
  root->Free();
  EXPECT_EQ(g_log, (std::vector<std::string>{"free c", "free b1", "free b", "free root"}));
}

TEST_F(ComponentTest, InsertionIsNotifiedWithTheMostDerivedClass) {
  TProbe* root = TProbe::Create(nullptr, "root");
  g_log.clear();
  NewObject<TProbe>(root);
  EXPECT_EQ(g_log, (std::vector<std::string>{" +TProbe:", "root +TProbe:"}));
  root->Free();
}

TEST_F(ComponentTest, FailedConstructionLeavesTheOwnerAndFreesWhatItMade) {
  TProbe* root = TProbe::Create(nullptr, "root");
  EXPECT_THROW(NewObject<TFailing>(root), EConvertError);
  EXPECT_EQ(root->ComponentCount(), 0);
  EXPECT_NE(std::find(g_log.begin(), g_log.end(), "free inner"), g_log.end());
  root->Free();
}

TEST_F(ComponentTest, FreeNotificationWorksBothWaysAcrossOwners) {
  TProbe* left = TProbe::Create(nullptr, "left");
  TProbe* right = TProbe::Create(nullptr, "right");
  TProbe* target = TProbe::Create(left, "target");
  TProbe* watcher = TProbe::Create(right, "watcher");
  watcher->watched = target;
  target->FreeNotification(watcher);
  EXPECT_TRUE(target->ComponentState() & csFreeNotification);

  g_log.clear();
  target->Free();
  EXPECT_EQ(watcher->watched, nullptr);
  EXPECT_EQ(g_log.front(), "watcher -TProbe:target");

  // Freed first, a watcher is forgotten by what it watched (no call into freed memory later).
  TProbe* second = TProbe::Create(left, "second");
  second->FreeNotification(watcher);
  watcher->Free();
  g_log.clear();
  second->Free();
  EXPECT_EQ(g_log, (std::vector<std::string>{"second -TProbe:second", "left -TProbe:second", "free second"}));
  left->Free();
  right->Free();
}

TEST_F(ComponentTest, AnOwnerThatWatchesWhatItOwnsHearsOfItBeforeItGoes) {
  // As a tool button that owns its drop-down menu and points at it.
  TProbe* bar = TProbe::Create(nullptr, "bar");
  TProbe* button = TProbe::Create(bar, "button");
  TProbe::Create(button, "plain");  // freed after the menu (last first)
  TProbe* menu = TProbe::Create(button, "menu");
  button->watched = menu;
  menu->FreeNotification(button);
  g_log.clear();
  bar->Free();
  auto at = [](const std::string& line) { return std::find(g_log.begin(), g_log.end(), line) - g_log.begin(); };
  ASSERT_LT(at("button -TProbe:menu"), ptrdiff_t(g_log.size())) << testing::PrintToString(g_log);
  EXPECT_LT(at("button -TProbe:menu"), at("free menu"));
  EXPECT_LT(at("plain -TProbe:menu"), at("free menu")) << "the owner's other components hear of it too";
  EXPECT_EQ(std::count(g_log.begin(), g_log.end(), "button -TProbe:plain"), 0) << "nobody watches plain";
}

TEST_F(ComponentTest, ChildrenAreMarkedDestroyingBeforeTheyGo) {
  struct TWatch : TComponent {
    using TComponent::TComponent;
    TComponentState* seen;
    ~TWatch() override { *seen = ComponentState(); }
  };
  TComponent* root = TComponent::Create(nullptr);
  TComponentState seen = 0;
  NewObject<TWatch>(root)->seen = &seen;
  root->Free();
  EXPECT_TRUE(seen & csDestroying);
}

TEST_F(ComponentTest, NamesAreIdentifiersUniqueAmongSiblingsCaseInsensitively) {
  TComponent* root = TComponent::Create(nullptr);
  TComponent* a = TComponent::Create(root);
  TComponent* b = TComponent::Create(root);
  a->SetName("Button1");
  EXPECT_EQ(root->FindComponent("BUTTON1"), a);
  EXPECT_EQ(root->FindComponent(""), nullptr);
  EXPECT_EQ(root->FindComponent("Button2"), nullptr);

  struct Case {
    std::string name;
    std::string error;  // empty: accepted
  };
  const Case cases[] = {
      {"button1", "A component named button1 already exists"},
      {"1st", "'1st' is not a valid component name"},
      {"a b", "'a b' is not a valid component name"},
      {"_ok9", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string before = b->Name();
    try {
      b->SetName(c.name);
      EXPECT_EQ(c.error, "");
      EXPECT_EQ(b->Name(), c.name);
    } catch (const EComponentError& e) {
      EXPECT_EQ(e.Message(), c.error);
      EXPECT_EQ(b->Name(), before);
    }
  }
  a->SetName("BUTTON1");  // its own name in another case
  EXPECT_EQ(a->Name(), "BUTTON1");

  // A named component cannot join an owner that already has the name.
  TComponent* stray = TComponent::Create(nullptr);
  stray->SetName("button1");
  EXPECT_THROW(root->InsertComponent(stray), EComponentError);
  EXPECT_EQ(stray->Owner(), nullptr);
  stray->Free();
  root->Free();
}

TEST_F(ComponentTest, InsertingMovesAComponentBetweenOwners) {
  TProbe* first = TProbe::Create(nullptr, "first");
  TProbe* second = TProbe::Create(nullptr, "second");
  TProbe* child = TProbe::Create(first, "child");
  g_log.clear();
  second->InsertComponent(child);
  EXPECT_EQ(first->ComponentCount(), 0);
  EXPECT_EQ(child->Owner(), second);
  EXPECT_EQ(g_log, (std::vector<std::string>{"child -TProbe:child", "first -TProbe:child", "child +TProbe:child",
                                             "second +TProbe:child"}));
  second->RemoveComponent(child);
  first->RemoveComponent(child);  // not its owner: ignored
  EXPECT_EQ(child->Owner(), nullptr);
  child->Free();
  first->Free();
  second->Free();
}

TEST_F(ComponentTest, ComponentIndexReorders) {
  TComponent* root = TComponent::Create(nullptr);
  TComponent* c[3] = {TComponent::Create(root), TComponent::Create(root), TComponent::Create(root)};
  c[0]->SetComponentIndex(2);
  EXPECT_EQ(root->Components(0), c[1]);
  EXPECT_EQ(root->Components(2), c[0]);
  c[0]->SetComponentIndex(-5);
  EXPECT_EQ(root->Components(0), c[0]);
  root->Free();
}

TEST_F(ComponentTest, LoadingAndDesigningStates) {
  TComponent* root = TComponent::Create(nullptr);
  root->SetDesigning(true);
  TComponent* child = TComponent::Create(root);
  EXPECT_TRUE(child->ComponentState() & csDesigning);
  child->Loading();
  EXPECT_TRUE(child->ComponentState() & csLoading);
  child->Loaded();
  EXPECT_FALSE(child->ComponentState() & csLoading);
  root->Free();
}

class TPoint2 : public TPersistent {
  VCL_CLASS(TPoint2, TPersistent)
  int x = 0;

 protected:
  void AssignTo(TPersistent* dest) override {
    if (auto* p = DynamicAs<TPoint2>(dest)) {
      p->x = x;
      return;
    }
    inherited::AssignTo(dest);
  }
};

TEST(Persistent, AssignGoesThroughAssignToAndReportsIncompatibleClasses) {
  TPoint2 a, b;
  a.x = 7;
  b.Assign(&a);
  EXPECT_EQ(b.x, 7);

  TComponent* component = TComponent::Create(nullptr);
  struct Case {
    TPersistent* target;
    TPersistent* source;
    const char* message;
  };
  const Case cases[] = {
      {component, &a, "Cannot assign a TPoint2 to a TComponent"},
      {&a, component, "Cannot assign a TComponent to a TPoint2"},
      {&a, nullptr, "Cannot assign a nil to a TPoint2"},
  };
  for (const Case& c : cases) {
    try {
      c.target->Assign(c.source);
      ADD_FAILURE() << c.message;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  component->Free();
}

class TWidget : public TProbe {
  VCL_CLASS(TWidget, TProbe)
  explicit TWidget(TComponent* owner) : TProbe(owner) {}
};

TEST(ClassRegistry, CreatesRegisteredClassesByNameCaseInsensitively) {
  TClassRegistry registry;
  registry.Register(TComponentClass::Of<TWidget>());
  registry.Register(TComponentClass::Of<TWidget>());  // again: no change
  TComponentClass cls = registry.Find("twidget");
  ASSERT_TRUE(cls);
  EXPECT_EQ(cls.ClassName(), "TWidget");
  EXPECT_TRUE(cls.InheritsFrom(TProbe::StaticClass()));

  TComponent* owner = TComponent::Create(nullptr);
  TComponent* made = cls.Create(owner);
  EXPECT_EQ(made->ClassName(), "TWidget");
  EXPECT_EQ(made->Owner(), owner);

  // A class reference narrows only to a class it derives from.
  TClassOf<TProbe> probeClass = ClassCast<TProbe>(cls);
  EXPECT_EQ(probeClass.Create(owner)->ClassName(), "TWidget");
  EXPECT_THROW(ClassCast<TWidget>(TComponentClass::Of<TProbe>()), EInvalidCast);
  owner->Free();

  EXPECT_FALSE(registry.Get("TNothing"));
  try {
    registry.Find("TNothing");
    ADD_FAILURE();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "Class TNothing not found");
  }
  // Another class may not take a registered name.
  TComponentClass impostor(TWidget::StaticClass(), [](TComponent* o, const TComponentPrepare&) -> TComponent* {
    return TComponent::Create(o);
  });
  EXPECT_THROW(registry.Register(impostor), EFilerError);
  registry.Unregister(TComponentClass::Of<TWidget>());
  EXPECT_FALSE(registry.Get("TWidget"));
}

TEST(ClassRegistry, ProcessRegistryFunctions) {
  RegisterClass<TWidget>();
  EXPECT_EQ(GetClass("TWIDGET"), TComponentClass::Of<TWidget>());
  UnRegisterClass(TComponentClass::Of<TWidget>());
  EXPECT_THROW(FindClass("TWidget"), EClassNotFound);
}

}  // namespace
