// The translation service: turns the numeric codes of log types, sub types
// and parameters into words of the client's language.
//
// The tables are data files of the source tree (data/trans/<language>.txt),
// built into the program, so the service needs no file on the device. One
// table is open at a time per process.
#pragma once

#include <cstddef>

// Opens the table of `language` ("en-US", "zh-CN", ...; "en" or "zh" pick the
// table of that primary language; case does not matter). An unknown, empty
// or null language opens the English table. 0 when the language's own table
// was opened, 1 when English stands in for it.
int trans_init(const char* language);
// Copies the text of `code` into `buffer` (cut to size - 1 characters, NUL
// terminated). 0 when found; -1 with "" in the buffer when the code has no
// text, no table is open, or the buffer is null or empty.
int trans_get_value(long long code, char* buffer, size_t size);
// Closes the open table.
void trans_deinit();

// The languages with a table, for tools and tests: the n-th name, or null
// past the last.
const char* trans_language_at(int n);
