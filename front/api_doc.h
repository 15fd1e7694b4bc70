// The doc text of a request-table row (see WebReqEntry in front/webreq.h):
// its four fields, checked, for the generated API reference and the OpenAPI
// document.
#pragma once

#include <json-c/json.h>

#include <string>
#include <vector>

struct RowDoc {
    std::string purpose, request, reply, core;
    // The reply field in parts: "JSON", "plain" or "download"; the note in
    // parentheses (without them); the shape of a JSON reply, or of the JSON
    // text a plain reply holds ("" when the row gives none).
    std::string reply_kind, reply_note, reply_shape;
};

// Splits a row's doc text into its fields: "" on success, else what is
// wrong with it.
std::string parse_row_doc(const char* doc, RowDoc* out);

// The handler area of a module: the directory that holds its table's source
// ("handlers/event/video_module.cpp" -> "event").
std::string area_of_file(const char* file);

// Shapes: a compact notation for a JSON value, written in the rows' doc
// texts and turned into JSON Schema for the OpenAPI document.
//   i  integer          i(0..63)  integer from 0 to 63
//   n  number           s  text   s(31)  text of at most 31 characters
//   b  boolean          z  null   *  any value
//   "TEXT"              exactly this text; a JSON reply that is not JSON
//                       (the bare text) is checked as this text
//   {key:T, key?:T}     object with these keys in this order, ? marks a key
//                       that may be missing; no other key
//   {key:T, ...}        the same, other keys allowed
//   [T]                 array of T           T|T   either
// A key that is not a plain name is written in double quotes.
// The schema (owned by the caller), or null with *error set.
json_object* shape_schema(const std::string& text, std::string* error);

// The keys of a JSON request field ("JSON: chnid:i(0..63), name:s, ...").
struct RequestKey {
    std::string name, shape;  // shape "" when the row does not give it
};
// The named keys in order; *open is set when the field also has prose or
// "..." (keys not listed). "" on success, else what is wrong.
std::string parse_request_keys(const std::string& request, std::vector<RequestKey>* keys, bool* open);
