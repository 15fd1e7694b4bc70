#include "front/api_doc.h"

#include <cctype>
#include <cstring>
#include <vector>

namespace {

std::string trim(const std::string& s)
{
    size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

bool starts_with(const std::string& s, const char* prefix) { return s.compare(0, std::strlen(prefix), prefix) == 0; }

// Splits at ", " outside brackets, braces, parentheses and quotes.
std::vector<std::string> split_top(const std::string& s)
{
    std::vector<std::string> out;
    int depth = 0;
    bool quoted = false;
    size_t from = 0;
    for (size_t i = 0; i < s.size(); i++) {
        char c = s[i];
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '{' || c == '[' || c == '(') depth++;
        if (c == '}' || c == ']' || c == ')') depth--;
        if (depth == 0 && c == ',') {
            out.push_back(trim(s.substr(from, i - from)));
            from = i + 1;
        }
    }
    out.push_back(trim(s.substr(from)));
    return out;
}

// Recursive-descent reader of the shape notation.
class ShapeReader {
public:
    explicit ShapeReader(const std::string& s) : s_(s) {}

    json_object* whole(std::string* error)
    {
        json_object* o = alternatives();
        skip();
        if (o && at_ != s_.size()) fail("unexpected text after the shape");
        if (!error_.empty()) {
            if (o) json_object_put(o);
            *error = error_ + " at column " + std::to_string(at_ + 1) + " of \"" + s_ + "\"";
            return nullptr;
        }
        return o;
    }

private:
    void skip()
    {
        while (at_ < s_.size() && s_[at_] == ' ') at_++;
    }
    bool take(char c)
    {
        skip();
        if (at_ < s_.size() && s_[at_] == c) {
            at_++;
            return true;
        }
        return false;
    }
    json_object* fail(const char* why)
    {
        if (error_.empty()) error_ = why;
        return nullptr;
    }
    bool number(long long* v)
    {
        skip();
        size_t from = at_;
        if (at_ < s_.size() && s_[at_] == '-') at_++;
        while (at_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[at_]))) at_++;
        if (at_ == from || (at_ == from + 1 && s_[from] == '-')) return false;
        *v = std::stoll(s_.substr(from, at_ - from));
        return true;
    }

    json_object* alternatives()
    {
        json_object* first = one();
        if (!first) return nullptr;
        if (!take('|')) return first;
        json_object* list = json_object_new_array();
        json_object_array_add(list, first);
        do {
            json_object* next = one();
            if (!next) {
                json_object_put(list);
                return nullptr;
            }
            json_object_array_add(list, next);
        } while (take('|'));
        json_object* o = json_object_new_object();
        json_object_object_add(o, "oneOf", list);
        return o;
    }

    static json_object* typed(const char* type)
    {
        json_object* o = json_object_new_object();
        json_object_object_add(o, "type", json_object_new_string(type));
        return o;
    }

    json_object* one()
    {
        skip();
        if (at_ >= s_.size()) return fail("a shape is missing");
        char c = s_[at_++];
        switch (c) {
        case 'i': {
            json_object* o = typed("integer");
            if (take('(')) {
                long long lo = 0, hi = 0;
                if (!number(&lo) || !take('.') || !take('.') || !number(&hi) || !take(')') || lo > hi) {
                    json_object_put(o);
                    return fail("an integer range is written i(LOW..HIGH)");
                }
                json_object_object_add(o, "minimum", json_object_new_int64(lo));
                json_object_object_add(o, "maximum", json_object_new_int64(hi));
            }
            return o;
        }
        case 'n': return typed("number");
        case 'b': return typed("boolean");
        case 'z': return typed("null");
        case '*': return json_object_new_object();
        case 's': {
            json_object* o = typed("string");
            if (take('(')) {
                long long n = 0;
                if (!number(&n) || n < 0 || !take(')')) {
                    json_object_put(o);
                    return fail("a text width is written s(MAX)");
                }
                json_object_object_add(o, "maxLength", json_object_new_int64(n));
            }
            return o;
        }
        case '[': {
            json_object* item = alternatives();
            if (!item) return nullptr;
            if (!take(']')) {
                json_object_put(item);
                return fail("an array needs its closing ]");
            }
            json_object* o = typed("array");
            json_object_object_add(o, "items", item);
            return o;
        }
        case '{': return object();
        case '"': {
            size_t end = s_.find('"', at_);
            if (end == std::string::npos) return fail("a text needs its closing quote");
            json_object* o = json_object_new_object();
            json_object_object_add(o, "const", json_object_new_string(s_.substr(at_, end - at_).c_str()));
            at_ = end + 1;
            return o;
        }
        default: at_--; return fail("unknown shape");
        }
    }

    bool key(std::string* name)
    {
        skip();
        if (at_ < s_.size() && s_[at_] == '"') {
            size_t end = s_.find('"', at_ + 1);
            if (end == std::string::npos) return false;
            *name = s_.substr(at_ + 1, end - at_ - 1);
            at_ = end + 1;
            return true;
        }
        size_t from = at_;
        while (at_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[at_])) || s_[at_] == '_' || s_[at_] == '-'))
            at_++;
        *name = s_.substr(from, at_ - from);
        return !name->empty();
    }

    json_object* object()
    {
        json_object* o = typed("object");
        json_object* props = json_object_new_object();
        json_object* required = json_object_new_array();
        bool open = false;
        if (!take('}')) {
            do {
                skip();
                if (s_.compare(at_, 3, "...") == 0) {
                    at_ += 3;
                    open = true;
                    break;
                }
                std::string name;
                if (!key(&name)) {
                    json_object_put(o), json_object_put(props), json_object_put(required);
                    return fail("a key name is missing");
                }
                bool optional = take('?');
                if (!take(':')) {
                    json_object_put(o), json_object_put(props), json_object_put(required);
                    return fail("a key needs \":\" and its shape");
                }
                json_object* v = alternatives();
                if (!v) {
                    json_object_put(o), json_object_put(props), json_object_put(required);
                    return nullptr;
                }
                if (json_object_object_get_ex(props, name.c_str(), nullptr)) {
                    json_object_put(v), json_object_put(o), json_object_put(props), json_object_put(required);
                    return fail("a key appears twice");
                }
                json_object_object_add(props, name.c_str(), v);
                if (!optional) json_object_array_add(required, json_object_new_string(name.c_str()));
            } while (take(','));
            if (!take('}')) {
                json_object_put(o), json_object_put(props), json_object_put(required);
                return fail("an object needs its closing }");
            }
        }
        json_object_object_add(o, "properties", props);
        if (json_object_array_length(required) > 0)
            json_object_object_add(o, "required", required);
        else
            json_object_put(required);
        if (!open) json_object_object_add(o, "additionalProperties", json_object_new_boolean(false));
        return o;
    }

    const std::string& s_;
    size_t at_ = 0;
    std::string error_;
};

// Splits "JSON (note) {shape}" into its kind, note and shape.
std::string split_reply(const std::string& reply, RowDoc* out)
{
    static const char* const kReplies[] = {"plain", "JSON", "download"};
    std::string kind;
    for (const char* r : kReplies) {
        size_t n = std::strlen(r);
        if (reply.compare(0, n, r) == 0 && (reply.size() == n || reply[n] == ' ')) kind = r;
    }
    if (kind.empty()) return "reply must be plain, JSON or download (with an optional note in parentheses)";
    std::string rest = reply.substr(kind.size());
    std::string note, shape;
    if (starts_with(rest, " (")) {
        int depth = 0;
        size_t i = 1;
        for (; i < rest.size(); i++) {
            if (rest[i] == '(') depth++;
            if (rest[i] == ')' && --depth == 0) break;
        }
        if (i >= rest.size()) return "the reply's note needs its closing parenthesis";
        note = rest.substr(2, i - 2);
        rest = rest.substr(i + 1);
    }
    if (!rest.empty()) {
        if (kind == "download" || !(starts_with(rest, " {") || starts_with(rest, " [")))
            return "reply must be plain, JSON or download (with an optional note in parentheses), "
                   "a JSON reply (or plain text holding JSON) optionally followed by its shape";
        shape = rest.substr(1);
        std::string why;
        json_object* schema = shape_schema(shape, &why);
        if (!schema) return "reply shape: " + why;
        json_object_put(schema);
    }
    out->reply_kind = kind;
    out->reply_note = note;
    out->reply_shape = shape;
    return "";
}

}  // namespace

json_object* shape_schema(const std::string& text, std::string* error)
{
    ShapeReader r(text);
    return r.whole(error);
}

std::string parse_request_keys(const std::string& request, std::vector<RequestKey>* keys, bool* open)
{
    keys->clear();
    *open = false;
    if (!starts_with(request, "JSON: ")) return "";
    for (const std::string& item : split_top(request.substr(6))) {
        size_t colon = item.find(':');
        std::string name = item.substr(0, colon);
        bool plain_name = !name.empty();
        for (char c : name) plain_name = plain_name && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
        if (!plain_name) {
            *open = true;  // prose: "...", "the same keys with 2 for eth1"
            continue;
        }
        RequestKey k{name, colon == std::string::npos ? "" : trim(item.substr(colon + 1))};
        if (!k.shape.empty()) {
            std::string why;
            json_object* schema = shape_schema(k.shape, &why);
            if (!schema) return "request key " + name + ": " + why;
            json_object_put(schema);
        }
        keys->push_back(k);
    }
    return "";
}

// Splits a row's doc text into its four fields; an empty string on success,
// else what is wrong.
std::string parse_row_doc(const char* doc, RowDoc* out)
{
    if (!doc || !*doc) return "no doc text";
    std::vector<std::string> f;
    std::string s(doc);
    for (size_t at = 0;;) {
        size_t bar = s.find(" | ", at);
        f.push_back(trim(s.substr(at, bar == std::string::npos ? std::string::npos : bar - at)));
        if (bar == std::string::npos) break;
        at = bar + 3;
    }
    if (f.size() != 4) return "needs four fields separated by \" | \"";
    for (const std::string& x : f)
        if (x.empty()) return "has an empty field";
    if (s.find('\n') != std::string::npos) return "spans lines";
    *out = {f[0], f[1], f[2], f[3], "", "", ""};

    static const char* const kRequests[] = {"none", "JSON: ", "decimal: ", "text: ", "query: ", "upload: "};
    bool ok = false;
    for (const char* r : kRequests) ok = ok || (std::strcmp(r, "none") == 0 ? out->request == r : starts_with(out->request, r));
    if (!ok) return "request must be none, JSON:, decimal:, text:, query: or upload:";
    std::vector<RequestKey> keys;
    bool open = false;
    std::string why = parse_request_keys(out->request, &keys, &open);
    if (!why.empty()) return why;

    why = split_reply(out->reply, out);
    if (!why.empty()) return why;

    if (out->core != "none") {
        std::string c = out->core;
        for (size_t at = 0; at <= c.size();) {
            size_t comma = c.find(", ", at);
            std::string item = c.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
            size_t digits = item.find_first_not_of("0123456789");
            if (digits == 0 || (digits != std::string::npos && item.substr(digits) != " wait"))
                return "core must be none or codes, each optionally followed by \" wait\"";
            if (comma == std::string::npos) break;
            at = comma + 2;
        }
    }
    return "";
}

// The handler area of a module: the directory holding its table's source.
std::string area_of_file(const char* file)
{
    std::string f(file ? file : "");
    size_t slash = f.rfind('/');
    if (slash == std::string::npos) return "";
    size_t prev = f.rfind('/', slash - 1);
    return f.substr(prev == std::string::npos ? 0 : prev + 1, slash - (prev == std::string::npos ? 0 : prev + 1));
}
