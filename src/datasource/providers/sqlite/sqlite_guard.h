#pragma once
// What keeps an SQLite connection from changing anything: the read-only open is only the first
// line. A typed statement could otherwise lift query_only again, attach (and so create) a file,
// write one with VACUUM INTO, open a transaction that outlives the statement, or load an
// extension. Every connection to a database gets the guard before it runs anything else.

#include <sqlite3.h>

namespace quillet::db::sqlite {

// query_only, defensive mode, no extensions and no attached databases, then the authorizer
// that lets through reading only. SQLITE_OK, or the engine's code with `message` set (free it
// with sqlite3_free).
int GuardConnection(sqlite3* db, char** message);

// The text for a statement the guard refused.
inline constexpr const char* kRefusedText = "not authorized: the database is open read-only";

}  // namespace quillet::db::sqlite
