// A thin RAII layer over the SQLite C interface: a connection and prepared
// statements.  Every failure throws FileError with SQLite's own words and the
// file's name.  Connections run in defensive mode with extension loading off
// and the schema untrusted, since a drawing file may be hostile.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tinhost::file {

class Statement;

class Connection {
 public:
  enum class Mode { ReadOnly, Create };
  Connection(const std::string& path, Mode mode);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void exec(const std::string& sql);
  Statement prepare(const std::string& sql);
  std::int64_t pragmaInt(const std::string& name);
  sqlite3* raw() const { return db_; }
  const std::string& path() const { return path_; }
  [[noreturn]] void fail(const std::string& doing) const;

 private:
  [[noreturn]] void closeAndFail(const std::string& doing);
  std::string path_;
  sqlite3* db_ = nullptr;
};

class Statement {
 public:
  Statement(Connection& db, const std::string& sql);
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  Statement& operator=(Statement&&) = delete;

  // Binding (1-based, as in SQL) and chaining.
  Statement& bind(int index, std::int64_t value);
  Statement& bind(int index, double value);
  Statement& bind(int index, const std::string& value);
  Statement& bindBlob(int index, std::span<const std::uint8_t> bytes);
  Statement& bindNull(int index);
  // Bound without a copy: the caller keeps the characters or bytes unchanged
  // until the statement has run.
  Statement& bindUncopied(int index, std::string_view value);
  Statement& bindBlobUncopied(int index, std::span<const std::uint8_t> bytes);
  // Runs one step: true while a row is available.
  bool step();
  // Runs a statement that returns no rows, then resets it for the next binding.
  void run();
  // The same for a statement whose every parameter is bound again before it
  // runs next: the old values are left in place rather than cleared.
  void runAndRebind();
  void reset();

  bool isNull(int column) const;
  std::int64_t integer(int column) const;
  double real(int column) const;
  std::string text(int column) const;
  std::vector<std::uint8_t> blob(int column) const;
  // The bytes where SQLite holds them, valid until the next step or reset.
  std::span<const std::uint8_t> blobView(int column) const;

 private:
  Connection* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace tinhost::file
