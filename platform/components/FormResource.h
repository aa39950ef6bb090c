// Form resources: the text that describes a form's (or data module's) components, their properties and the
// names of their event handlers, embedded in the binary per form class, and the one reader that turns it
// into components.
//
// Text form (the source file is UTF-8; quoted text becomes CP1250, #nnn is the CP1250 byte nnn):
//   object FMain: TFMain                 the root; `inherited` instead of `object` in a derived class's
//     Caption = 'Selvaring'              resource changes components an ancestor's resource made
//     ClientWidth = 526
//     OnCreate = FormCreate              an event names a published method of the root's class
//     object bnKovetkezo: TButton        a component, created by its registered class name, owned by the
//       Caption = '&Tov'#225'bb >'         root and parented to the enclosing windowed control
//       Items.Strings = ('igen' 'nem')
//       Font.Style = [fsBold]
//     end
//   end
// Values: integers (also $hex and negative), decimals, 'strings' joined by + across lines, identifiers
// (True, False, enumeration names, handler and component names), sets [a, b], lists ( ... ), binary
// data { hex } and collections < item Name = 'x' end item ... end >. Component references (PopupMenu = pmMenu) are
// resolved once the whole resource is read.
#pragma once
#include <any>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/components/Graphics.h"
#include "platform/runtime/Classes.h"
#include "platform/runtime/Strings.h"

VCL_EXCEPTION(EParserError, Exception);

struct TResProperty;

struct TResValue {
  enum Kind { Integer, Float, String, Ident, Set, List, Binary, Collection };
  Kind kind = Integer;
  int64_t integer = 0;
  double real = 0;
  std::string text;                                   // String, Ident, Binary (the bytes)
  std::vector<TResValue> items;                       // Set (identifiers), List
  std::vector<std::vector<TResProperty>> collection;  // Collection: the properties of each item
  std::string Describe() const;
};

struct TResProperty {
  std::string name;
  TResValue value;
  int line = 0;
};

struct TResObject {
  bool inherited = false;
  std::string name;
  std::string className;
  std::vector<TResProperty> properties;
  std::vector<TResObject> children;
  int line = 0;
};

// Parses one resource; EParserError "<what> on line <n>" for malformed text.
TResObject ParseFormResource(std::string_view text);

class TReader;

// How a property of a class is set from a resource value.
using TPropertySetter = std::function<void(TComponent* target, const TResValue& value, TReader& reader)>;

// The published properties of one class; lookups walk from the instance's class up to TComponent.
void DefineProperty(const TClassInfo* cls, const std::string& name, TPropertySetter setter);
const TPropertySetter* FindProperty(const TClassInfo* cls, const std::string& name);

// The published fields and methods of a root class (a form or data module): fields receive the
// components of their names, methods become event handlers.
using THandlerFactory = std::function<std::any(TObject* root)>;
using TFieldBinder = std::function<void(TObject* root, TComponent* component)>;
void PublishMethod(const TClassInfo* cls, const std::string& name, THandlerFactory factory);
void PublishField(const TClassInfo* cls, const std::string& name, TFieldBinder binder);

// The resource text of a class, registered by the class's own unit.
void RegisterFormResource(const TClassInfo* cls, std::string_view text);
bool HasFormResource(const TClassInfo* cls);

// Component classes that resources may name (this component library's own registry).
TClassRegistry& ComponentClasses();
template <class T>
void RegisterComponentClass() {
  ComponentClasses().Register(TComponentClass::Of<T>());
}
// The standard classes of this library, registered on the first read.
void RegisterStandardClasses();

// Reads resources into a root component.
class TReader {
 public:
  explicit TReader(TComponent* root) : root_(root) { RegisterStandardClasses(); }
  // Reads the resource of one class into the root (properties, components, handlers, fields).
  void ReadRootResource(const TClassInfo* cls);
  // After every resource of the root: references are resolved and Loaded runs for each component read.
  void Finish();

  TComponent* Root() const { return root_; }
  // The handler of an event: the root's published method of that name, of the event's type.
  template <class Sig>
  std::function<Sig> Handler(const TResValue& value, const std::string& property);
  // Resolves a component name once the resource is read.
  void Fixup(std::function<void(TComponent* found)> assign, const std::string& name, const std::string& property);
  [[noreturn]] void Fail(const std::string& property, const std::string& why) const;
  [[noreturn]] void FailFor(const TComponent* component, const std::string& property, const std::string& why) const;
  // The component whose property is being read.
  TComponent* Current() const { return current_; }

 private:
  void ReadObject(const TResObject& object, TComponent* parentComponent, bool isRoot);
  void SetProperties(TComponent* target, const TResObject& object);
  std::any FindMethod(const std::string& name) const;
  void BindField(TComponent* component);

  TComponent* root_;
  TComponent* current_ = nullptr;
  std::vector<TComponent*> loaded_;
  struct PendingFixup {
    std::function<void(TComponent*)> assign;
    std::string name;
    std::string property;
  };
  std::vector<PendingFixup> fixups_;
};

// Loads the resources of the classes below `root` down to the instance's class, in order; false when no
// class has one. Runs Loaded for the components read.
bool InitInheritedComponent(TComponent* instance, const TClassInfo* root);

template <class Sig>
std::function<Sig> TReader::Handler(const TResValue& value, const std::string& property) {
  if (value.kind != TResValue::Ident) Fail(property, "Invalid property value");
  if (value.text.empty() || value.text == "nil") return {};
  std::any method = FindMethod(value.text);
  if (!method.has_value()) Fail(property, "Method '" + value.text + "' not found");
  auto* handler = std::any_cast<std::function<Sig>>(&method);
  if (!handler) Fail(property, "Method '" + value.text + "' does not fit the event");
  return *handler;
}

// Typed definitions of a class's properties: TProps<TButton>(TButton::StaticClass()).Bool("Default", ...).
template <class T>
class TProps {
 public:
  TProps() : cls_(T::StaticClass()) {}
  TProps& Custom(const std::string& name, std::function<void(T*, const TResValue&, TReader&)> set) {
    DefineProperty(cls_, name, [set](TComponent* c, const TResValue& v, TReader& r) { set(static_cast<T*>(c), v, r); });
    return *this;
  }
  TProps& Int(const std::string& name, std::function<void(T*, int)> set) {
    return Custom(name, [set, name](T* t, const TResValue& v, TReader& r) {
      if (v.kind != TResValue::Integer) r.Fail(name, "Invalid property value");
      set(t, int(v.integer));
    });
  }
  TProps& Bool(const std::string& name, std::function<void(T*, bool)> set) {
    return Custom(name, [set, name](T* t, const TResValue& v, TReader& r) {
      if (v.kind != TResValue::Ident || (v.text != "True" && v.text != "False")) r.Fail(name, "Invalid property value");
      set(t, v.text == "True");
    });
  }
  TProps& Str(const std::string& name, std::function<void(T*, const std::string&)> set) {
    return Custom(name, [set, name](T* t, const TResValue& v, TReader& r) {
      if (v.kind != TResValue::String) r.Fail(name, "Invalid property value");
      set(t, v.text);
    });
  }
  TProps& Color(const std::string& name, std::function<void(T*, TColor)> set) {
    return Custom(name, [set, name](T* t, const TResValue& v, TReader& r) {
      TColor c;
      if (v.kind == TResValue::Integer)
        c = TColor(v.integer);
      else if (v.kind != TResValue::Ident || !IdentToColor(v.text, &c))
        r.Fail(name, "Invalid property value");
      set(t, c);
    });
  }
  template <class E>
  TProps& Enum(const std::string& name, std::function<void(T*, E)> set, std::vector<std::pair<std::string, E>> values) {
    return Custom(name, [set, name, values](T* t, const TResValue& v, TReader& r) {
      if (v.kind == TResValue::Ident)
        for (auto& [ident, value] : values)
          if (ident == v.text) return set(t, value);
      r.Fail(name, "Invalid property value");
    });
  }
  TProps& SetOf(const std::string& name, std::function<void(T*, unsigned)> set,
                std::vector<std::pair<std::string, unsigned>> values) {
    return Custom(name, [set, name, values](T* t, const TResValue& v, TReader& r) {
      if (v.kind != TResValue::Set) r.Fail(name, "Invalid property value");
      unsigned bits = 0;
      for (const TResValue& item : v.items) {
        bool known = false;
        for (auto& [ident, value] : values)
          if (ident == item.text) bits |= value, known = true;
        if (!known) r.Fail(name, "Invalid property value");
      }
      set(t, bits);
    });
  }
  TProps& Strings(const std::string& name, std::function<TStrings*(T*)> get) {
    return Custom(name, [get, name](T* t, const TResValue& v, TReader& r) {
      if (v.kind != TResValue::List) r.Fail(name, "Invalid property value");
      TStrings* list = get(t);
      list->BeginUpdate();
      list->Clear();
      for (const TResValue& item : v.items) {
        if (item.kind != TResValue::String) r.Fail(name, "Invalid property value");
        list->Add(item.text);
      }
      list->EndUpdate();
    });
  }
  template <class Sig>
  TProps& Event(const std::string& name, std::function<Sig> T::*member) {
    return Custom(name, [member, name](T* t, const TResValue& v, TReader& r) { t->*member = r.Handler<Sig>(v, name); });
  }
  template <class C>
  TProps& Reference(const std::string& name, std::function<void(T*, C*)> set) {
    return Custom(name, [set, name](T* t, const TResValue& v, TReader& r) {
      if (v.kind != TResValue::Ident) r.Fail(name, "Invalid property value");
      r.Fixup(
          [t, set, name, &r](TComponent* found) {
            C* typed = DynamicAs<C>(found);
            if (found && !typed) r.FailFor(t, name, "Invalid property value");
            set(t, typed);
          },
          v.text, name);
    });
  }
  // Accepted and without effect here (e.g. the design-time text height).
  TProps& Ignored(const std::string& name) {
    return Custom(name, [](T*, const TResValue&, TReader&) {});
  }

 private:
  const TClassInfo* cls_;
};

// Publishes a root class's fields and handlers: TPublisher<TFMain>().Field(...).Method(...). The class of
// a published field is one that resources may name, as the reader knows the classes of a form's fields.
template <class T>
class TPublisher {
 public:
  template <class C>
  TPublisher& Field(const std::string& name, C* T::*member) {
    if constexpr (std::constructible_from<C, TComponent*>) RegisterComponentClass<C>();
    PublishField(T::StaticClass(), name, [member, name](TObject* root, TComponent* c) {
      C* typed = DynamicAs<C>(c);
      if (c && !typed) throw EReadError("Field " + name + " does not fit the component");
      static_cast<T*>(root)->*member = typed;
    });
    return *this;
  }
  template <class... Args>
  TPublisher& Method(const std::string& name, void (T::*method)(Args...)) {
    PublishMethod(T::StaticClass(), name, [method](TObject* root) -> std::any {
      T* self = static_cast<T*>(root);
      return std::function<void(Args...)>([self, method](Args... args) { (self->*method)(args...); });
    });
    return *this;
  }
};

// In a form's unit: registers its resource text and runs its Publish(TPublisher<T>&).
#define VCL_REGISTER_FORM(Class, resourceText)                \
  namespace {                                                 \
  const bool Class##_registered = [] {                        \
    RegisterFormResource(Class::StaticClass(), resourceText); \
    TPublisher<Class> publisher;                              \
    Class::Publish(publisher);                                \
    return true;                                              \
  }();                                                        \
  }
