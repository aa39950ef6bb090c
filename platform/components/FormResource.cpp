#include "platform/components/FormResource.h"

#include <cctype>
#include <map>
#include <mutex>

#include "platform/components/ModuleTeardown.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Format.h"

namespace {

// ---- parsing ----

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  TResObject Root() {
    SkipSpace();
    TResObject root = Object();
    SkipSpace();
    if (pos_ < s_.size()) Fail("Extra text after the root object");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const { throw EParserError(Format("%s on line %d", {what, line_})); }

  void SkipSpace() {
    while (pos_ < s_.size()) {
      char c = s_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        ++pos_;
      } else if (c == '/' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '/') {
        while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
      } else {
        break;
      }
    }
  }

  bool IdentStart(char c) const { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
  bool IdentPart(char c) const { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

  // An identifier, with dots between parts when dotted.
  std::string Ident(bool dotted) {
    SkipSpace();
    if (pos_ >= s_.size() || !IdentStart(s_[pos_])) Fail("Identifier expected");
    size_t start = pos_;
    while (pos_ < s_.size() && (IdentPart(s_[pos_]) || (dotted && s_[pos_] == '.'))) ++pos_;
    return std::string(s_.substr(start, pos_ - start));
  }

  bool Peek(char c) {
    SkipSpace();
    return pos_ < s_.size() && s_[pos_] == c;
  }

  void Expect(char c) {
    if (!Peek(c)) Fail(std::string("'") + c + "' expected");
    ++pos_;
  }

  bool PeekWord(std::string_view word) {
    SkipSpace();
    if (s_.substr(pos_, word.size()) != word) return false;
    size_t after = pos_ + word.size();
    return after >= s_.size() || !IdentPart(s_[after]);
  }

  TResObject Object() {
    TResObject o;
    o.line = line_;
    std::string kind = Ident(false);
    if (kind == "inherited")
      o.inherited = true;
    else if (kind != "object")
      Fail("'object' expected");
    std::string first = Ident(false);
    if (Peek(':')) {
      ++pos_;
      o.name = first;
      o.className = Ident(false);
    } else {
      o.className = first;
    }
    while (true) {
      SkipSpace();
      if (pos_ >= s_.size()) Fail("'end' expected");
      if (PeekWord("end")) {
        pos_ += 3;
        return o;
      }
      if (PeekWord("object") || PeekWord("inherited")) {
        o.children.push_back(Object());
        continue;
      }
      o.properties.push_back(Property());
    }
  }

  // name = value
  TResProperty Property() {
    TResProperty p;
    p.line = line_;
    p.name = Ident(true);
    Expect('=');
    p.value = Value();
    return p;
  }

  // One quoted or #nnn piece of a string; appends to out.
  bool StringPiece(std::string& out) {
    SkipSpace();
    if (pos_ >= s_.size()) return false;
    if (s_[pos_] == '\'') {
      ++pos_;
      std::string raw;
      while (true) {
        if (pos_ >= s_.size() || s_[pos_] == '\n') Fail("Unterminated string");
        if (s_[pos_] == '\'') {
          if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '\'') {
            raw += '\'';
            pos_ += 2;
            continue;
          }
          ++pos_;
          break;
        }
        raw += s_[pos_++];
      }
      out += cp1250::FromUtf8(raw);
      return true;
    }
    if (s_[pos_] == '#') {
      ++pos_;
      size_t start = pos_;
      while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_;
      if (start == pos_) Fail("Character code expected");
      if (pos_ - start > 3) Fail("Character code out of range");
      int code = std::stoi(std::string(s_.substr(start, pos_ - start)));
      if (code > 255) Fail("Character code out of range");
      out += char(code);
      return true;
    }
    return false;
  }

  TResValue StringValue() {
    TResValue v;
    v.kind = TResValue::String;
    while (true) {
      // Pieces written next to each other ('a'#13'b') form one string; a blank separates list items.
      while (StringPiece(v.text)) {
        if (pos_ < s_.size() && (s_[pos_] == '\'' || s_[pos_] == '#')) continue;
        break;
      }
      if (Peek('+')) {
        ++pos_;
        SkipSpace();
        if (pos_ >= s_.size() || (s_[pos_] != '\'' && s_[pos_] != '#')) Fail("String expected");
        continue;
      }
      return v;
    }
  }

  TResValue Number() {
    TResValue v;
    size_t start = pos_;
    if (s_[pos_] == '-' || s_[pos_] == '+') ++pos_;
    if (pos_ < s_.size() && s_[pos_] == '$') {
      ++pos_;
      size_t digits = pos_;
      while (pos_ < s_.size() && std::isxdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_;
      if (digits == pos_) Fail("Number expected");
      if (pos_ - digits > 16) Fail("Invalid number");
      int64_t n = int64_t(std::stoull(std::string(s_.substr(digits, pos_ - digits)), nullptr, 16));
      v.integer = s_[start] == '-' ? -n : n;
      return v;
    }
    while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    bool real = false;
    if (pos_ < s_.size() && s_[pos_] == '.') {
      real = true;
      ++pos_;
      while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    }
    std::string digits(s_.substr(start, pos_ - start));
    if (digits == "-" || digits == "+" || digits.empty()) Fail("Number expected");
    try {
      if (real) {
        v.kind = TResValue::Float;
        v.real = std::stod(digits);
      } else {
        v.integer = std::stoll(digits);
      }
    } catch (const std::exception&) {
      Fail("Invalid number");
    }
    return v;
  }

  TResValue Value() {
    SkipSpace();
    if (pos_ >= s_.size()) Fail("Value expected");
    char c = s_[pos_];
    if (c == '\'' || c == '#') return StringValue();
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '$') return Number();
    if (c == '[') {
      ++pos_;
      TResValue v;
      v.kind = TResValue::Set;
      if (Peek(']')) {
        ++pos_;
        return v;
      }
      while (true) {
        TResValue item;
        item.kind = TResValue::Ident;
        item.text = Ident(false);
        v.items.push_back(item);
        if (Peek(',')) {
          ++pos_;
          continue;
        }
        Expect(']');
        return v;
      }
    }
    if (c == '(') {
      ++pos_;
      TResValue v;
      v.kind = TResValue::List;
      while (!Peek(')')) {
        if (pos_ >= s_.size()) Fail("')' expected");
        v.items.push_back(Value());
      }
      ++pos_;
      return v;
    }
    if (c == '<') {
      ++pos_;
      TResValue v;
      v.kind = TResValue::Collection;
      while (!Peek('>')) {
        if (pos_ >= s_.size()) Fail("'>' expected");
        if (Ident(false) != "item") Fail("'item' expected");
        std::vector<TResProperty>& item = v.collection.emplace_back();
        while (!PeekWord("end")) {
          if (pos_ >= s_.size()) Fail("'end' expected");
          item.push_back(Property());
        }
        pos_ += 3;
      }
      ++pos_;
      return v;
    }
    if (c == '{') {
      ++pos_;
      TResValue v;
      v.kind = TResValue::Binary;
      std::string hex;
      while (!Peek('}')) {
        if (pos_ >= s_.size()) Fail("'}' expected");
        char h = s_[pos_++];
        if (!std::isxdigit(static_cast<unsigned char>(h))) Fail("Hexadecimal digit expected");
        hex += h;
      }
      ++pos_;
      if (hex.size() % 2) Fail("Odd number of hexadecimal digits");
      for (size_t i = 0; i < hex.size(); i += 2) v.text += char(std::stoi(hex.substr(i, 2), nullptr, 16));
      return v;
    }
    TResValue v;
    v.kind = TResValue::Ident;
    v.text = Ident(true);
    return v;
  }

  std::string_view s_;
  size_t pos_ = 0;
  int line_ = 1;
};

// ---- tables ----

std::string Key(std::string_view name) { return cp1250::Upper(name); }

struct Tables {
  std::mutex lock;
  std::map<std::string, std::map<std::string, TPropertySetter>> properties;  // by class name
  std::map<std::string, std::map<std::string, THandlerFactory>> methods;     // by class name
  std::map<std::string, std::map<std::string, TFieldBinder>> fields;
  std::map<std::string, std::string> resources;
};

Tables& T() {
  static Tables* t = [] {
    auto* tables = new Tables;
    AtModuleUnload(TUnloadStage::Tables, [tables] { delete tables; });
    return tables;
  }();
  return *t;
}

}  // namespace

std::string TResValue::Describe() const {
  switch (kind) {
    case Integer: return std::to_string(integer);
    case Float: return std::to_string(real);
    case String: return "'" + text + "'";
    case Ident: return text;
    default: return "(...)";
  }
}

TResObject ParseFormResource(std::string_view text) { return Parser(text).Root(); }

void DefineProperty(const TClassInfo* cls, const std::string& name, TPropertySetter setter) {
  std::lock_guard g(T().lock);
  T().properties[Key(cls->Name)][Key(name)] = std::move(setter);
}

const TPropertySetter* FindProperty(const TClassInfo* cls, const std::string& name) {
  std::lock_guard g(T().lock);
  std::string key = Key(name);
  for (const TClassInfo* c = cls; c; c = c->Parent) {
    auto table = T().properties.find(Key(c->Name));
    if (table == T().properties.end()) continue;
    auto it = table->second.find(key);
    if (it != table->second.end()) return &it->second;
  }
  return nullptr;
}

void PublishMethod(const TClassInfo* cls, const std::string& name, THandlerFactory factory) {
  std::lock_guard g(T().lock);
  T().methods[Key(cls->Name)][Key(name)] = std::move(factory);
}

void PublishField(const TClassInfo* cls, const std::string& name, TFieldBinder binder) {
  std::lock_guard g(T().lock);
  T().fields[Key(cls->Name)][Key(name)] = std::move(binder);
}

void RegisterFormResource(const TClassInfo* cls, std::string_view text) {
  std::lock_guard g(T().lock);
  T().resources[Key(cls->Name)] = std::string(text);
}

bool HasFormResource(const TClassInfo* cls) {
  std::lock_guard g(T().lock);
  return T().resources.count(Key(cls->Name)) > 0;
}

TClassRegistry& ComponentClasses() {
  static TClassRegistry* registry = [] {
    auto* classes = new TClassRegistry;
    AtModuleUnload(TUnloadStage::Tables, [classes] { delete classes; });
    return classes;
  }();
  return *registry;
}

// ---- reading ----

void TReader::Fail(const std::string& property, const std::string& why) const { FailFor(current_, property, why); }

void TReader::FailFor(const TComponent* component, const std::string& property, const std::string& why) const {
  std::string owner = component ? component->Name() : std::string();
  if (owner.empty() && component) owner = component->ClassName();
  throw EReadError(Format("Error reading %s.%s: %s", {owner, property, why}));
}

std::any TReader::FindMethod(const std::string& name) const {
  THandlerFactory factory;
  {
    std::lock_guard g(T().lock);
    for (const TClassInfo* c = root_->ClassType(); c && !factory; c = c->Parent) {
      auto table = T().methods.find(Key(c->Name));
      if (table == T().methods.end()) continue;
      auto it = table->second.find(Key(name));
      if (it != table->second.end()) factory = it->second;
    }
  }
  return factory ? factory(root_) : std::any();
}

void TReader::BindField(TComponent* component) {
  if (component->Name().empty()) return;
  TFieldBinder binder;
  {
    std::lock_guard g(T().lock);
    for (const TClassInfo* c = root_->ClassType(); c && !binder; c = c->Parent) {
      auto table = T().fields.find(Key(c->Name));
      if (table == T().fields.end()) continue;
      auto it = table->second.find(Key(component->Name()));
      if (it != table->second.end()) binder = it->second;
    }
  }
  if (binder) binder(root_, component);
}

void TReader::Fixup(std::function<void(TComponent*)> assign, const std::string& name, const std::string& property) {
  fixups_.push_back(PendingFixup{std::move(assign), name, property});
}

void TReader::SetProperties(TComponent* target, const TResObject& object) {
  TComponent* saved = current_;
  current_ = target;
  for (const TResProperty& p : object.properties) {
    const TPropertySetter* setter = FindProperty(target->ClassType(), p.name);
    if (!setter) Fail(p.name, "Property " + p.name + " does not exist");
    (*setter)(target, p.value, *this);
  }
  current_ = saved;
}

// Hooks of windowed containers that keep the components read inside them (pages of a notebook).
TComponent* ResourceChildOwner(TComponent* container);
void ResourceChildParent(TComponent* container, TComponent* child);

void TReader::ReadObject(const TResObject& object, TComponent* container, bool isRoot) {
  TComponent* target;
  if (isRoot) {
    target = root_;
    // Each resource names the root; the most derived class's resource comes last.
    if (!object.name.empty() && cp1250::Upper(root_->Name()) != cp1250::Upper(object.name)) {
      std::string name = object.name;
      TComponent* owner = root_->Owner();
      for (int i = 1; owner && owner->FindComponent(name) && owner->FindComponent(name) != root_; ++i)
        name = object.name + "_" + std::to_string(i);
      root_->SetName(name);
    }
  } else if (object.inherited) {
    target = root_->FindComponent(object.name);
    if (!target) throw EReadError(Format("Ancestor for '%s' not found", {object.name}));
  } else {
    RegisterStandardClasses();
    TComponentClass cls = ComponentClasses().Get(object.className);
    if (!cls) throw EClassNotFound(Format("Class %s not found", {object.className}));
    TComponent* owner = ResourceChildOwner(container);
    target = cls.Create(owner ? owner : root_);
    try {
      target->Loading();
      if (!object.name.empty()) target->SetName(object.name);
      ResourceChildParent(container, target);
    } catch (...) {
      target->Free();
      throw;
    }
    loaded_.push_back(target);
    BindField(target);
  }
  if (isRoot) root_->Loading();
  SetProperties(target, object);
  for (const TResObject& child : object.children) ReadObject(child, target, false);
}

void TReader::ReadRootResource(const TClassInfo* cls) {
  std::string text;
  {
    std::lock_guard g(T().lock);
    auto it = T().resources.find(Key(cls->Name));
    if (it == T().resources.end()) return;
    text = it->second;
  }
  TResObject object = ParseFormResource(text);
  ReadObject(object, root_, true);
}

void TReader::Finish() {
  for (PendingFixup& f : fixups_) {
    TComponent* found = f.name == "nil" ? nullptr : root_->FindComponent(f.name);
    if (!found && f.name != "nil") throw EReadError(Format("Invalid property value: %s", {f.name}));
    f.assign(found);
  }
  fixups_.clear();
  root_->Loaded();
  for (TComponent* c : loaded_) c->Loaded();
  loaded_.clear();
}

bool InitInheritedComponent(TComponent* instance, const TClassInfo* root) {
  std::vector<const TClassInfo*> chain;
  for (const TClassInfo* c = instance->ClassType(); c && c != root && std::string(c->Name) != root->Name; c = c->Parent)
    chain.insert(chain.begin(), c);
  bool any = false;
  TReader reader(instance);
  for (const TClassInfo* c : chain) {
    if (!HasFormResource(c)) continue;
    reader.ReadRootResource(c);
    any = true;
  }
  if (any) reader.Finish();
  return any;
}
