#pragma once
// Owners of SQLite's connection and statement handles, and the few calls the search index
// makes through them. Nothing here throws; failures show in the return values.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

class SqliteDatabase {
 public:
  SqliteDatabase() = default;
  ~SqliteDatabase();
  SqliteDatabase(SqliteDatabase&& other) noexcept;
  SqliteDatabase& operator=(SqliteDatabase&& other) noexcept;
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  // Opens `file` for reading and writing, creating it when asked; an empty database (false
  // when tested) with the reason in `error` when it cannot.
  static SqliteDatabase Open(const std::filesystem::path& file, bool create, std::string& error);

  explicit operator bool() const { return handle_ != nullptr; }
  sqlite3* get() const { return handle_; }

  // Runs statements that return no rows; false (the reason in ErrorMessage) on a failure.
  bool Execute(std::string_view sql);
  // How long a statement waits for another connection's lock before it fails.
  void SetBusyTimeout(int milliseconds);
  // Instead: a statement waits for other writers as long as they write, up to a minute, but
  // gives up at once when `stop` is set (which must outlive the waiting).
  void WaitForWritersUnless(const std::atomic<bool>& stop);
  std::string ErrorMessage() const;
  // True when the last failure found a file that is no database, or a damaged one.
  bool FoundDamage() const;

 private:
  sqlite3* handle_ = nullptr;
};

class SqliteStatement {
 public:
  SqliteStatement(const SqliteDatabase& database, std::string_view sql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  // Parameters are numbered from 1. Text goes in as a blob, byte for byte, unless it is
  // bound as UTF-8 text (FTS5 reads its match expressions as text).
  SqliteStatement& Bind(int index, std::int64_t value);
  SqliteStatement& Bind(int index, std::string_view bytes);
  SqliteStatement& BindText(int index, std::string_view utf8);

  // The next row: true when there is one; false at the end and on an error (Failed()).
  bool Step();
  // Steps to the end; true when no error occurred.
  bool Run();
  // Ready to run again, with its bindings cleared.
  void Reset();
  bool Failed() const { return failed_; }

  std::int64_t Integer(int column) const;
  std::string Bytes(int column) const;

 private:
  sqlite3_stmt* handle_ = nullptr;
  bool failed_ = false;
};

// A write transaction that rolls back unless committed.
class SqliteTransaction {
 public:
  // BEGIN IMMEDIATE: waits (up to the busy timeout) for other writers first.
  explicit SqliteTransaction(SqliteDatabase& database);
  ~SqliteTransaction();
  SqliteTransaction(const SqliteTransaction&) = delete;
  SqliteTransaction& operator=(const SqliteTransaction&) = delete;

  bool Begun() const { return begun_; }
  bool Commit();

 private:
  SqliteDatabase& database_;
  bool begun_ = false;
};
