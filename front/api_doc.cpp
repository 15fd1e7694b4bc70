#include "front/api_doc.h"

#include <cstring>
#include <vector>

namespace {

std::string trim(const std::string& s)
{
    size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

bool starts_with(const std::string& s, const char* prefix) { return s.compare(0, std::strlen(prefix), prefix) == 0; }

}  // namespace

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
    *out = {f[0], f[1], f[2], f[3]};

    static const char* const kRequests[] = {"none", "JSON: ", "decimal: ", "text: ", "query: ", "upload: "};
    bool ok = false;
    for (const char* r : kRequests) ok = ok || (std::strcmp(r, "none") == 0 ? out->request == r : starts_with(out->request, r));
    if (!ok) return "request must be none, JSON:, decimal:, text:, query: or upload:";

    static const char* const kReplies[] = {"plain", "JSON", "download"};
    ok = false;
    for (const char* r : kReplies) {
        size_t n = std::strlen(r);
        ok = ok || (out->reply.compare(0, n, r) == 0 && (out->reply.size() == n || out->reply.compare(n, 2, " (") == 0));
    }
    if (!ok) return "reply must be plain, JSON or download (with an optional note in parentheses)";

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
