// The store has no full-text or R-tree tables, yet the SQLite archive of the
// distribution registers its FTS3, FTS4, FTS5 and R-tree modules on every
// connection it opens: about 42 thousand instructions of a one-key request
// (a tenth of its whole run) and some 230 KB of program. The archive keeps
// each of those modules in an object of its own whose entry point is a
// global symbol, so these definitions take the place of the entry points
// and the linker leaves the modules out of the CGI program. A connection of
// the program then simply knows no such virtual-table module; nothing else
// changes. CMakeLists.txt links this unit only after checking that the
// archive is built this way (an archive holding all of SQLite in one object
// would clash with these names and is linked whole instead).
#include <sqlite3.h>

extern "C" {

int sqlite3Fts3Init(sqlite3*) { return SQLITE_OK; }
int sqlite3Fts5Init(sqlite3*) { return SQLITE_OK; }
int sqlite3RtreeInit(sqlite3*) { return SQLITE_OK; }

}  // extern "C"
