// The registry's SQLite databases: write-ahead log, one transaction per call, a busy time-out for writers
// of other processes, and no cached data.
#include "platform/winapi/advapi32/RegistryStore.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <map>
#include <mutex>

#include "platform/runtime/Cp1250.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/Registry.h"

namespace vandrel::registry {
namespace {

constexpr int kBusyTimeoutMs = 60000;

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER,"
    " name BLOB NOT NULL, fold BLOB NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS keys_by_name ON keys(parent, fold);"
    "CREATE INDEX IF NOT EXISTS keys_by_parent ON keys(parent);"
    "CREATE TABLE IF NOT EXISTS vals(id INTEGER PRIMARY KEY AUTOINCREMENT, key INTEGER NOT NULL,"
    " name BLOB NOT NULL, fold BLOB NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS vals_by_name ON vals(key, fold);"
    "CREATE INDEX IF NOT EXISTS vals_by_key ON vals(key);"
    "CREATE TABLE IF NOT EXISTS meta(name TEXT PRIMARY KEY, value TEXT);"
    "INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES (1, NULL, x'', x'');";

// A database failure inside a transaction; Run turns it into an error code.
struct DbFailure {
  DWORD code;
};

}  // namespace

struct Hive::Impl {
  std::mutex lock;
  sqlite3* db = nullptr;
  std::map<const char*, sqlite3_stmt*> statements;
  bool writing = false;

  ~Impl() {
    for (auto& entry : statements) sqlite3_finalize(entry.second);
    sqlite3_close(db);
  }

  [[noreturn]] void Fail() { throw DbFailure{writing ? ERROR_CANTWRITE : ERROR_CANTREAD}; }

  // A prepared statement for a constant SQL text, kept for the life of the connection.
  sqlite3_stmt* Statement(const char* sql) {
    auto it = statements.find(sql);
    if (it != statements.end()) return it->second;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) Fail();
    statements.emplace(sql, statement);
    return statement;
  }
};

namespace {

// One use of a prepared statement: binds, steps and resets.
class Query {
 public:
  Query(Hive::Impl& impl, const char* sql) : impl_(impl), statement_(impl.Statement(sql)) {}
  ~Query() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }

  Query& Bind(int64_t value) {
    sqlite3_bind_int64(statement_, ++index_, value);
    return *this;
  }
  Query& Bind(const std::string& bytes) {
    if (bytes.empty())
      sqlite3_bind_zeroblob(statement_, ++index_, 0);
    else
      sqlite3_bind_blob(statement_, ++index_, bytes.data(), int(bytes.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Query& BindText(const std::string& text) {
    sqlite3_bind_text(statement_, ++index_, text.data(), int(text.size()), SQLITE_TRANSIENT);
    return *this;
  }

  // Steps once: true while there is a row.
  bool Step() {
    int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    impl_.Fail();
  }
  void Run() { Step(); }

  int64_t Int(int column) { return sqlite3_column_int64(statement_, column); }
  std::string Bytes(int column) {
    const void* data = sqlite3_column_blob(statement_, column);
    int size = sqlite3_column_bytes(statement_, column);
    return data ? std::string(static_cast<const char*>(data), size_t(size)) : std::string();
  }
  int Changes() { return sqlite3_changes(impl_.db); }

 private:
  Hive::Impl& impl_;
  sqlite3_stmt* statement_;
  int index_ = 0;
};

bool Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

void EnsureFolder(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return;
  std::string folder = path.substr(0, slash);
  struct stat st;
  if (stat(folder.c_str(), &st) == 0) return;
  EnsureFolder(folder);
  mkdir(folder.c_str(), 0777);
}

}  // namespace

std::string Fold(const std::string& name) { return cp1250::Upper(name); }

std::vector<std::string> ClassesPath() { return {"SOFTWARE", "Classes"}; }

bool SplitKeyPath(std::string_view path, std::vector<std::string>& names) {
  names.clear();
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  if (path.empty()) return true;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end == start) return false;
    names.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return true;
}

std::optional<std::string> ReadStoredString(const std::shared_ptr<Hive>& hive, std::string_view keyPath,
                                            const std::string& name) {
  std::optional<std::string> text;
  std::vector<std::string> names;
  if (!hive || !SplitKeyPath(keyPath, names)) return text;
  hive->Run(Mode::Read, [&](Transaction& t) {
    auto id = t.Find(kRootKey, names);
    auto value = id ? t.GetValue(*id, name) : std::nullopt;
    if (value && (value->type == REG_SZ || value->type == REG_EXPAND_SZ))
      text = value->data.substr(0, value->data.find('\0'));
    return DWORD(ERROR_SUCCESS);
  });
  return text;
}

Hive::~Hive() = default;

DWORD Hive::Run(Mode mode, const std::function<DWORD(Transaction&)>& work) {
  std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->writing = mode == Mode::Write;
  if (!Exec(impl_->db, mode == Mode::Write ? "BEGIN IMMEDIATE" : "BEGIN"))
    return impl_->writing ? ERROR_CANTWRITE : ERROR_CANTREAD;
  DWORD result;
  try {
    Transaction transaction(*this);
    result = work(transaction);
  } catch (const DbFailure& failure) {
    result = failure.code;
  } catch (...) {
    Exec(impl_->db, "ROLLBACK");
    throw;
  }
  if (result != ERROR_SUCCESS) {
    Exec(impl_->db, "ROLLBACK");
    return result;
  }
  if (!Exec(impl_->db, "COMMIT")) {
    Exec(impl_->db, "ROLLBACK");
    return impl_->writing ? ERROR_CANTWRITE : ERROR_CANTREAD;
  }
  return ERROR_SUCCESS;
}

std::shared_ptr<Hive> OpenHive(const std::string& hostPath) {
  static std::mutex* lock = new std::mutex;
  static auto* hives = new std::map<std::string, std::shared_ptr<Hive>>;  // open for the life of the process
  std::lock_guard<std::mutex> guard(*lock);
  auto it = hives->find(hostPath);
  if (it != hives->end()) return it->second;
  EnsureFolder(hostPath);
  auto impl = std::make_unique<Hive::Impl>();
  if (sqlite3_open_v2(hostPath.c_str(), &impl->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK)
    return nullptr;
  sqlite3_busy_timeout(impl->db, kBusyTimeoutMs);
  if (!Exec(impl->db, "PRAGMA journal_mode=WAL") || !Exec(impl->db, "PRAGMA synchronous=NORMAL") ||
      !Exec(impl->db, "BEGIN IMMEDIATE"))
    return nullptr;
  if (!Exec(impl->db, kSchema) || !Exec(impl->db, "COMMIT")) {
    Exec(impl->db, "ROLLBACK");
    return nullptr;
  }
  std::shared_ptr<Hive> hive(new Hive);
  hive->impl_ = std::move(impl);
  hive->path_ = hostPath;
  hives->emplace(hostPath, hive);
  return hive;
}

std::shared_ptr<Hive> MachineHive() { return OpenHive(MachineHivePath()); }

// ---- transactions ----

bool Transaction::KeyExists(KeyId key) {
  Query q(*hive_.impl_, "SELECT 1 FROM keys WHERE id = ?");
  return q.Bind(key).Step();
}

std::string Transaction::KeyName(KeyId key) {
  Query q(*hive_.impl_, "SELECT name FROM keys WHERE id = ?");
  return q.Bind(key).Step() ? q.Bytes(0) : std::string();
}

size_t Transaction::Depth(KeyId key) {
  size_t depth = 0;
  while (key != kRootKey) {
    Query q(*hive_.impl_, "SELECT parent FROM keys WHERE id = ?");
    if (!q.Bind(key).Step()) break;
    key = q.Int(0);
    ++depth;
  }
  return depth;
}

std::optional<KeyId> Transaction::Find(KeyId key, const std::vector<std::string>& names) {
  for (const auto& name : names) {
    Query q(*hive_.impl_, "SELECT id FROM keys WHERE parent = ? AND fold = ?");
    if (!q.Bind(key).Bind(Fold(name)).Step()) return std::nullopt;
    key = q.Int(0);
  }
  return key;
}

KeyId Transaction::Create(KeyId key, const std::vector<std::string>& names, bool& created) {
  created = false;
  for (const auto& name : names) {
    {
      Query q(*hive_.impl_, "SELECT id FROM keys WHERE parent = ? AND fold = ?");
      if (q.Bind(key).Bind(Fold(name)).Step()) {
        key = q.Int(0);
        created = false;
        continue;
      }
    }
    Query insert(*hive_.impl_, "INSERT INTO keys(parent, name, fold) VALUES (?, ?, ?)");
    insert.Bind(key).Bind(name).Bind(Fold(name)).Run();
    key = sqlite3_last_insert_rowid(hive_.impl_->db);
    created = true;
  }
  return key;
}

std::optional<Value> Transaction::GetValue(KeyId key, const std::string& name) {
  Query q(*hive_.impl_, "SELECT name, type, data FROM vals WHERE key = ? AND fold = ?");
  if (!q.Bind(key).Bind(Fold(name)).Step()) return std::nullopt;
  return Value{q.Bytes(0), DWORD(q.Int(1)), q.Bytes(2)};
}

void Transaction::SetValue(KeyId key, const Value& value) {
  // An existing value keeps its place and the case of its name.
  Query update(*hive_.impl_, "UPDATE vals SET type = ?, data = ? WHERE key = ? AND fold = ?");
  update.Bind(int64_t(value.type)).Bind(value.data).Bind(key).Bind(Fold(value.name)).Run();
  if (update.Changes() > 0) return;
  Query insert(*hive_.impl_, "INSERT INTO vals(key, name, fold, type, data) VALUES (?, ?, ?, ?, ?)");
  insert.Bind(key).Bind(value.name).Bind(Fold(value.name)).Bind(int64_t(value.type)).Bind(value.data).Run();
}

bool Transaction::DeleteValue(KeyId key, const std::string& name) {
  Query q(*hive_.impl_, "DELETE FROM vals WHERE key = ? AND fold = ?");
  q.Bind(key).Bind(Fold(name)).Run();
  return q.Changes() > 0;
}

bool Transaction::HasChildren(KeyId key) {
  Query q(*hive_.impl_, "SELECT 1 FROM keys WHERE parent = ? LIMIT 1");
  return q.Bind(key).Step();
}

bool Transaction::DeleteChild(KeyId key, const std::string& name) {
  auto child = Find(key, {name});
  if (!child) return false;
  Query values(*hive_.impl_, "DELETE FROM vals WHERE key = ?");
  values.Bind(*child).Run();
  Query q(*hive_.impl_, "DELETE FROM keys WHERE id = ?");
  q.Bind(*child).Run();
  return true;
}

void Transaction::DeleteTree(KeyId key) {
  {
    Query values(
        *hive_.impl_,
        "WITH RECURSIVE tree(id) AS (SELECT ? UNION ALL SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id)"
        " DELETE FROM vals WHERE key IN (SELECT id FROM tree)");
    values.Bind(key).Run();
  }
  Query keys(
      *hive_.impl_,
      "WITH RECURSIVE tree(id) AS (SELECT ? UNION ALL SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id)"
      " DELETE FROM keys WHERE id IN (SELECT id FROM tree) AND id <> 1");
  keys.Bind(key).Run();
}

std::optional<std::string> Transaction::ChildName(KeyId key, DWORD index) {
  Query q(*hive_.impl_, "SELECT name FROM keys WHERE parent = ? ORDER BY id LIMIT 1 OFFSET ?");
  if (!q.Bind(key).Bind(int64_t(index)).Step()) return std::nullopt;
  return q.Bytes(0);
}

std::optional<Value> Transaction::ValueAt(KeyId key, DWORD index) {
  Query q(*hive_.impl_, "SELECT name, type, data FROM vals WHERE key = ? ORDER BY id LIMIT 1 OFFSET ?");
  if (!q.Bind(key).Bind(int64_t(index)).Step()) return std::nullopt;
  return Value{q.Bytes(0), DWORD(q.Int(1)), q.Bytes(2)};
}

std::vector<std::pair<KeyId, std::string>> Transaction::Children(KeyId key) {
  std::vector<std::pair<KeyId, std::string>> children;
  Query q(*hive_.impl_, "SELECT id, name FROM keys WHERE parent = ? ORDER BY id");
  q.Bind(key);
  while (q.Step()) children.emplace_back(q.Int(0), q.Bytes(1));
  return children;
}

std::vector<Value> Transaction::Values(KeyId key) {
  std::vector<Value> values;
  Query q(*hive_.impl_, "SELECT name, type, data FROM vals WHERE key = ? ORDER BY id");
  q.Bind(key);
  while (q.Step()) values.push_back(Value{q.Bytes(0), DWORD(q.Int(1)), q.Bytes(2)});
  return values;
}

KeyInfo Transaction::Info(KeyId key) {
  KeyInfo info;
  {
    Query q(*hive_.impl_, "SELECT count(*), coalesce(max(length(name)), 0) FROM keys WHERE parent = ?");
    q.Bind(key).Step();
    info.subKeys = DWORD(q.Int(0));
    info.maxSubKeyLen = DWORD(q.Int(1));
  }
  Query q(*hive_.impl_,
          "SELECT count(*), coalesce(max(length(name)), 0), coalesce(max(length(data)), 0) FROM vals WHERE key = ?");
  q.Bind(key).Step();
  info.values = DWORD(q.Int(0));
  info.maxValueNameLen = DWORD(q.Int(1));
  info.maxValueLen = DWORD(q.Int(2));
  return info;
}

std::string Transaction::Meta(const std::string& name) {
  Query q(*hive_.impl_, "SELECT value FROM meta WHERE name = ?");
  if (!q.BindText(name).Step()) return {};
  return q.Bytes(0);
}

void Transaction::SetMeta(const std::string& name, const std::string& value) {
  Query q(*hive_.impl_, "INSERT OR REPLACE INTO meta(name, value) VALUES (?, ?)");
  q.BindText(name).BindText(value).Run();
}

}  // namespace vandrel::registry
