#include "archive/sqlite_handles.h"

#include <sqlite3.h>

#include <utility>

SqliteDatabase::~SqliteDatabase() { sqlite3_close_v2(handle_); }

SqliteDatabase::SqliteDatabase(SqliteDatabase&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

SqliteDatabase& SqliteDatabase::operator=(SqliteDatabase&& other) noexcept {
  if (this != &other) {
    sqlite3_close_v2(handle_);
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

SqliteDatabase SqliteDatabase::Open(const std::filesystem::path& file, bool create, std::string& error) {
  SqliteDatabase database;
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
  const int result = sqlite3_open_v2(file.c_str(), &database.handle_, flags, nullptr);
  if (result != SQLITE_OK) {
    error = database.handle_ != nullptr ? sqlite3_errmsg(database.handle_) : sqlite3_errstr(result);
    database = SqliteDatabase();
  }
  return database;
}

bool SqliteDatabase::Execute(std::string_view sql) {
  const std::string statements(sql);
  return sqlite3_exec(handle_, statements.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

void SqliteDatabase::SetBusyTimeout(int milliseconds) { sqlite3_busy_timeout(handle_, milliseconds); }

void SqliteDatabase::WaitForWritersUnless(const std::atomic<bool>& stop) {
  constexpr int kStepMs = 10;
  constexpr int kMostSteps = 60'000 / kStepMs;
  const auto wait = [](void* stopFlag, int steps) -> int {
    if (static_cast<const std::atomic<bool>*>(stopFlag)->load() || steps >= kMostSteps) return 0;
    sqlite3_sleep(kStepMs);
    return 1;
  };
  sqlite3_busy_handler(handle_, wait, const_cast<std::atomic<bool>*>(&stop));
}

std::string SqliteDatabase::ErrorMessage() const {
  return handle_ != nullptr ? sqlite3_errmsg(handle_) : "no database";
}

bool SqliteDatabase::FoundDamage() const {
  const int code = handle_ != nullptr ? sqlite3_errcode(handle_) & 0xFF : SQLITE_OK;
  return code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
}

SqliteStatement::SqliteStatement(const SqliteDatabase& database, std::string_view sql) {
  if (!database || sqlite3_prepare_v2(database.get(), sql.data(), static_cast<int>(sql.size()), &handle_,
                                      nullptr) != SQLITE_OK) {
    sqlite3_finalize(handle_);
    handle_ = nullptr;
    failed_ = true;
  }
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(handle_); }

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t value) {
  if (handle_ != nullptr && sqlite3_bind_int64(handle_, index, value) != SQLITE_OK) failed_ = true;
  return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view bytes) {
  if (handle_ != nullptr &&
      sqlite3_bind_blob64(handle_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT) != SQLITE_OK) {
    failed_ = true;
  }
  return *this;
}

SqliteStatement& SqliteStatement::BindText(int index, std::string_view utf8) {
  if (handle_ != nullptr && sqlite3_bind_text64(handle_, index, utf8.data(), utf8.size(), SQLITE_TRANSIENT,
                                                SQLITE_UTF8) != SQLITE_OK) {
    failed_ = true;
  }
  return *this;
}

bool SqliteStatement::Step() {
  if (handle_ == nullptr || failed_) return false;
  const int result = sqlite3_step(handle_);
  if (result == SQLITE_ROW) return true;
  if (result != SQLITE_DONE) failed_ = true;
  return false;
}

bool SqliteStatement::Run() {
  while (Step()) {
  }
  return !failed_;
}

void SqliteStatement::Reset() {
  if (handle_ == nullptr) return;
  sqlite3_reset(handle_);
  sqlite3_clear_bindings(handle_);
  failed_ = false;
}

std::int64_t SqliteStatement::Integer(int column) const { return sqlite3_column_int64(handle_, column); }

std::string SqliteStatement::Bytes(int column) const {
  const void* data = sqlite3_column_blob(handle_, column);
  const int size = sqlite3_column_bytes(handle_, column);
  if (data == nullptr || size <= 0) return {};
  return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

SqliteTransaction::SqliteTransaction(SqliteDatabase& database)
    : database_(database), begun_(database.Execute("BEGIN IMMEDIATE")) {}

SqliteTransaction::~SqliteTransaction() {
  if (begun_) database_.Execute("ROLLBACK");
}

bool SqliteTransaction::Commit() {
  if (!begun_) return false;
  begun_ = false;
  if (database_.Execute("COMMIT")) return true;
  database_.Execute("ROLLBACK");
  return false;
}
