// The doc text of a request-table row (see WebReqEntry in front/webreq.h):
// its four fields, checked, for the generated API reference.
#pragma once

#include <string>

struct RowDoc {
    std::string purpose, request, reply, core;
};

// Splits a row's doc text into its fields: "" on success, else what is
// wrong with it.
std::string parse_row_doc(const char* doc, RowDoc* out);

// The handler area of a module: the directory that holds its table's source
// ("handlers/event/video_module.cpp" -> "event").
std::string area_of_file(const char* file);
