#pragma once
// SQLite in memory as a baseline, run in the same process as the figure it is set
// against: a table of the same rows without indexes, and the time of a query that
// reads every row it yields, as a filter or a sort hands its caller the records.
// The database keeps its texts in UTF-16 and the collation "RU" takes them as
// they lie, comparing through the same locale comparison the dataset uses: SQLite
// at its best, with no conversion at each comparison.
#include <sqlite3.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/MemTableBench.h"
#include "platform/core/Locale.h"
#include "platform/core/Types.h"

class TSqliteBaseline {
public:
  // CreateSql makes the table the queries read.
  explicit TSqliteBaseline(const char* CreateSql) {
    if (sqlite3_open(":memory:", &FDb) != SQLITE_OK) Fail("open");
    Exec("PRAGMA encoding = 'UTF-16le'");
    sqlite3_create_collation(FDb, "RU", SQLITE_UTF16, nullptr, &CompareRussian);
    Exec(CreateSql);
  }
  ~TSqliteBaseline() { sqlite3_close(FDb); }
  TSqliteBaseline(const TSqliteBaseline&) = delete;
  TSqliteBaseline& operator=(const TSqliteBaseline&) = delete;

  // Count rows in one transaction: Bind(statement, i) binds the values of row i.
  template <class TBind>
  void Insert(const char* InsertSql, size_t Count, TBind&& Bind) {
    Exec("BEGIN");
    sqlite3_stmt* st = Prepare(InsertSql);
    for (size_t i = 0; i < Count; ++i) {
      Bind(st, i);
      if (sqlite3_step(st) != SQLITE_DONE) Fail("insert");
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    Exec("COMMIT");
    FRows += Count;
  }

  static void BindText(sqlite3_stmt* St, int Column, const String& Text) {
    sqlite3_bind_text16(St, Column, Text.data(), static_cast<int>(Text.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
  }

  // Milliseconds to prepare Sql and read the rowid of every row it yields; Ids
  // gets them, in the order they came (off the clock: they are read into room
  // made beforehand).
  double Time(const char* Sql, std::vector<long long>* Ids = nullptr) {
    std::vector<long long> ids;
    ids.reserve(FRows);
    long long sum = 0;
    const double ms = Millis([&] {
      sqlite3_stmt* st = Prepare(Sql);
      while (sqlite3_step(st) == SQLITE_ROW) {
        const long long id = sqlite3_column_int64(st, 0);
        sum += id;
        ids.push_back(id);
      }
      sqlite3_finalize(st);
    });
    benchmark::DoNotOptimize(sum);
    if (Ids) Ids->swap(ids);
    return ms;
  }
  // The text encoding the database keeps ("UTF-16le").
  std::string Encoding() {
    sqlite3_stmt* st = Prepare("PRAGMA encoding");
    std::string text = sqlite3_step(st) == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(st, 0)) : "";
    sqlite3_finalize(st);
    return text;
  }

private:
  static int CompareRussian(void*, int LenA, const void* A, int LenB, const void* B) {
    return CompareStringLocale(StringView(static_cast<const char16_t*>(A), static_cast<size_t>(LenA) / 2),
                               StringView(static_cast<const char16_t*>(B), static_cast<size_t>(LenB) / 2), false);
  }
  void Exec(const char* Sql) {
    if (sqlite3_exec(FDb, Sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(Sql);
  }
  sqlite3_stmt* Prepare(const char* Sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(FDb, Sql, -1, &st, nullptr) != SQLITE_OK) Fail(Sql);
    return st;
  }
  [[noreturn]] void Fail(const char* What) {
    throw std::runtime_error(std::string("SQLite baseline: ") + What + ": " + sqlite3_errmsg(FDb));
  }

  sqlite3* FDb = nullptr;
  size_t FRows = 0;
};
