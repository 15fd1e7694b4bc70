// The translation tables built into the program (generated from data/trans).
#pragma once

struct TransTableText {
    const char* language;  // file name without ".txt", e.g. "en-US"
    const char* text;      // the file: "<code> <text>" lines, '#' comments
};
extern const TransTableText kTransTables[];
extern const int kTransTableCount;
