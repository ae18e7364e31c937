#include "tinhost/file/Sqlite.h"

#include <utility>

#include "tinhost/file/FileError.h"

namespace tinhost::file {

Connection::Connection(const std::string& path, Mode mode) : path_(path) {
  const int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY
                                           : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  if (sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) closeAndFail("cannot open it");
  sqlite3_extended_result_codes(db_, 1);
  // A drawing file comes from anywhere: no writes that could corrupt it
  // through the schema, no extensions, and no functions with side effects
  // run from its views or triggers.
  int on = 0;
  if (sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, &on) != SQLITE_OK || on != 1 ||
      sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, &on) != SQLITE_OK || on != 0 ||
      sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, &on) != SQLITE_OK || on != 0)
    closeAndFail("cannot open it safely");
}

// The constructor's failure: the connection SQLite made even for a file it
// could not open is closed here, since no destructor will run.
void Connection::closeAndFail(const std::string& doing) {
  try {
    fail(doing);
  } catch (...) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw;
  }
}

Connection::~Connection() { sqlite3_close_v2(db_); }

void Connection::fail(const std::string& doing) const {
  const char* why = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
  const int code = db_ != nullptr ? sqlite3_errcode(db_) & 0xFF : SQLITE_NOMEM;
  if (code == SQLITE_CORRUPT) throw FileError(path_ + ": the drawing is damaged (" + why + "); it was left unchanged");
  if (code == SQLITE_NOTADB) throw FileError(path_ + ": not a drawing (" + why + ")");
  throw FileError(path_ + ": " + doing + " (" + why + ")");
}

void Connection::exec(const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string why = message != nullptr ? message : "unknown error";
    sqlite3_free(message);
    throw FileError(path_ + ": " + why);
  }
}

Statement Connection::prepare(const std::string& sql) { return Statement(*this, sql); }

std::int64_t Connection::pragmaInt(const std::string& name) {
  Statement st(*this, "PRAGMA " + name);
  return st.step() ? st.integer(0) : 0;
}

Statement::Statement(Connection& db, const std::string& sql) : db_(&db) {
  if (sqlite3_prepare_v2(db.raw(), sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
    db.fail("cannot read it as a drawing");
}

Statement::Statement(Statement&& other) noexcept
    : db_(other.db_), stmt_(std::exchange(other.stmt_, nullptr)) {}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement& Statement::bind(int index, std::int64_t value) {
  if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) db_->fail("cannot write it");
  return *this;
}

Statement& Statement::bind(int index, double value) {
  if (sqlite3_bind_double(stmt_, index, value) != SQLITE_OK) db_->fail("cannot write it");
  return *this;
}

Statement& Statement::bind(int index, const std::string& value) {
  if (sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT) !=
      SQLITE_OK)
    db_->fail("cannot write it");
  return *this;
}

Statement& Statement::bindBlob(int index, std::span<const std::uint8_t> bytes) {
  // An empty blob is still a blob, not NULL: SQLite wants a non-null pointer for that.
  static const std::uint8_t kEmpty = 0;
  const void* data = bytes.empty() ? &kEmpty : bytes.data();
  if (sqlite3_bind_blob(stmt_, index, data, static_cast<int>(bytes.size()), SQLITE_TRANSIENT) != SQLITE_OK)
    db_->fail("cannot write it");
  return *this;
}

Statement& Statement::bindUncopied(int index, std::string_view value) {
  // SQLite takes a null pointer for NULL: an empty text points at a NUL of its own.
  const char* data = value.empty() ? "" : value.data();
  if (sqlite3_bind_text(stmt_, index, data, static_cast<int>(value.size()), SQLITE_STATIC) != SQLITE_OK)
    db_->fail("cannot write it");
  return *this;
}

Statement& Statement::bindBlobUncopied(int index, std::span<const std::uint8_t> bytes) {
  static const std::uint8_t kEmpty = 0;
  const void* data = bytes.empty() ? &kEmpty : bytes.data();
  if (sqlite3_bind_blob(stmt_, index, data, static_cast<int>(bytes.size()), SQLITE_STATIC) != SQLITE_OK)
    db_->fail("cannot write it");
  return *this;
}

Statement& Statement::bindNull(int index) {
  if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) db_->fail("cannot write it");
  return *this;
}

bool Statement::step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  db_->fail("cannot read or write it");
}

void Statement::run() {
  while (step()) {
  }
  reset();
}

void Statement::runAndRebind() {
  while (step()) {
  }
  sqlite3_reset(stmt_);
}

void Statement::reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

bool Statement::isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
std::int64_t Statement::integer(int column) const { return sqlite3_column_int64(stmt_, column); }
double Statement::real(int column) const { return sqlite3_column_double(stmt_, column); }

std::string Statement::text(int column) const {
  const auto* p = sqlite3_column_text(stmt_, column);
  return p != nullptr ? std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                      : std::string();
}

std::vector<std::uint8_t> Statement::blob(int column) const {
  const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
  const int n = sqlite3_column_bytes(stmt_, column);
  return p != nullptr ? std::vector<std::uint8_t>(p, p + n) : std::vector<std::uint8_t>();
}

std::span<const std::uint8_t> Statement::blobView(int column) const {
  const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
  const int n = sqlite3_column_bytes(stmt_, column);
  return p != nullptr ? std::span<const std::uint8_t>(p, static_cast<std::size_t>(n)) : std::span<const std::uint8_t>();
}

}  // namespace tinhost::file
