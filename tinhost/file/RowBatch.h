// The rows of the drawing file's two large tables, objects and vertices, and
// the batches that insert them: kRowsPerInsert rows through one multi-row
// INSERT (the last, shorter batch through a statement of its own), so that
// SQLite's work per statement run is shared by many rows.
//
// Most rows of a batch share their trailing columns (a million loci or
// triangles on a layer have one class, colour and style; nearly every vertex
// is a corner).  A full batch whose rows all share them goes through a
// statement that holds those values as literals, prepared once per set of
// values, and binds only the leading columns that vary.  SQLite stores a
// literal as it stores the same value bound (same storage class, same
// record), and the rows go in in the same order, so the file's bytes are the
// same either way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "tinhost/core/Document.h"
#include "tinhost/file/Sqlite.h"

namespace tinhost::file {

struct ObjectRow {
  const DrawingObject* object;
  ObjId parent;
  std::int64_t position;
};

struct VertexRow {
  ObjId object;
  std::int64_t seq;
  Vertex v;
};

// Columns of the objects table: id, type, parent and position vary; class,
// colour, fill, weight, closed, text, anchor x and y, text style and size are
// shared when the text is empty.
struct ObjectColumns {
  using Row = ObjectRow;
  static constexpr int kColumns = 14, kVarying = 4;
  using Shared = std::tuple<std::int16_t, Color, std::int16_t, std::int16_t, bool, std::int32_t, std::int32_t,
                            std::int16_t, std::int16_t>;
  static std::optional<Shared> shared(const Row& row);
  static std::string literals(const Shared& s);  // ",class,X'colour',...": the shared columns in SQL
  static void bindAll(Statement& st, int first, const Row& row);
  static void bindVarying(Statement& st, int first, const Row& row);
};

// Columns of the vertices table: object, sequence, x, y and z vary; the kind is shared.
struct VertexColumns {
  using Row = VertexRow;
  static constexpr int kColumns = 6, kVarying = 5;
  using Shared = std::int16_t;
  static std::optional<Shared> shared(const Row& row) { return row.v.kind; }
  static std::string literals(const Shared& s) { return "," + std::to_string(s); }
  static void bindAll(Statement& st, int first, const Row& row);
  static void bindVarying(Statement& st, int first, const Row& row);
};

template <class Columns>
class BatchInsert {
 public:
  using Row = typename Columns::Row;
  static constexpr std::size_t kRowsPerInsert = 64;
  // Statements kept for sets of shared values; past this many, batches of
  // other values bind every column.
  static constexpr std::size_t kSharedStatements = 32;

  BatchInsert(Connection& db, const char* table) : db_(db), table_(table), full_(db, sql(kRowsPerInsert, {})) {
    rows_.reserve(kRowsPerInsert);
  }
  void add(const Row& row) {
    rows_.push_back(row);
    if (rows_.size() == kRowsPerInsert) flush();
  }
  void flush() {
    if (rows_.empty()) return;
    if (Statement* literal = sharedStatement()) {
      for (std::size_t i = 0; i < rows_.size(); ++i)
        Columns::bindVarying(*literal, static_cast<int>(i) * Columns::kVarying + 1, rows_[i]);
      literal->runAndRebind();
    } else {
      std::optional<Statement> shorter;
      if (rows_.size() < kRowsPerInsert) shorter.emplace(db_, sql(rows_.size(), {}));
      Statement& st = shorter ? *shorter : full_;
      for (std::size_t i = 0; i < rows_.size(); ++i)
        Columns::bindAll(st, static_cast<int>(i) * Columns::kColumns + 1, rows_[i]);
      st.runAndRebind();
    }
    rows_.clear();
  }

 private:
  using Shared = typename Columns::Shared;

  // The statement for a full batch whose rows share their trailing columns.
  Statement* sharedStatement() {
    if (rows_.size() != kRowsPerInsert) return nullptr;
    const std::optional<Shared> first = Columns::shared(rows_.front());
    if (!first) return nullptr;
    for (const Row& r : rows_)
      if (Columns::shared(r) != first) return nullptr;
    auto it = byShared_.find(*first);
    if (it == byShared_.end()) {
      if (byShared_.size() == kSharedStatements) return nullptr;
      it = byShared_.emplace(*first, Statement(db_, sql(kRowsPerInsert, Columns::literals(*first)))).first;
    }
    return &it->second;
  }
  // `literals` empty: every column bound.
  std::string sql(std::size_t rows, const std::string& literals) const {
    const int bound = literals.empty() ? Columns::kColumns : Columns::kVarying;
    std::string row = "(?";
    for (int c = 1; c < bound; ++c) row += ",?";
    row += literals + ")";
    std::string text = std::string("INSERT INTO ") + table_ + " VALUES " + row;
    for (std::size_t r = 1; r < rows; ++r) text += "," + row;
    return text;
  }

  Connection& db_;
  const char* table_;
  Statement full_;
  std::map<Shared, Statement> byShared_;
  std::vector<Row> rows_;
};

}  // namespace tinhost::file
