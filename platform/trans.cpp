#include "platform/trans.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/trans_tables.h"

namespace {

constexpr const char* kFallback = "en-US";

struct Entry {
    long long code;
    std::string text;
};

// The open table, sorted by code.
std::vector<Entry> g_table;
bool g_open = false;

const TransTableText* find_table(const char* language)
{
    if (!language || !*language) return nullptr;
    for (int i = 0; i < kTransTableCount; i++)
        if (strcasecmp(kTransTables[i].language, language) == 0) return &kTransTables[i];
    // "en" (or "en-GB") picks the first table of the primary language.
    const size_t primary = std::strcspn(language, "-_");
    for (int i = 0; i < kTransTableCount; i++) {
        const char* name = kTransTables[i].language;
        if (std::strcspn(name, "-_") == primary && strncasecmp(name, language, primary) == 0)
            return &kTransTables[i];
    }
    return nullptr;
}

// Lines "<code> <text>": the code in decimal, blanks, then the text up to
// the end of the line. Blank lines and lines starting with '#' are skipped,
// as are lines without a code.
void load(const char* text)
{
    g_table.clear();
    for (const char* line = text; line && *line;) {
        const char* end = std::strchr(line, '\n');
        if (!end) end = line + std::strlen(line);
        std::string s(line, size_t(end - line));
        line = *end ? end + 1 : end;
        if (!s.empty() && s.back() == '\r') s.pop_back();
        if (s.empty() || s[0] == '#') continue;
        errno = 0;
        char* after = nullptr;
        long long code = std::strtoll(s.c_str(), &after, 10);
        if (after == s.c_str() || errno != 0 || (*after != ' ' && *after != '\t')) continue;
        size_t at = size_t(after - s.c_str());
        at = s.find_first_not_of(" \t", at);
        if (at == std::string::npos) continue;
        g_table.push_back({code, s.substr(at)});
    }
    // A code given twice keeps its first text.
    std::stable_sort(g_table.begin(), g_table.end(), [](const Entry& a, const Entry& b) { return a.code < b.code; });
    g_table.erase(std::unique(g_table.begin(), g_table.end(),
                              [](const Entry& a, const Entry& b) { return a.code == b.code; }),
                  g_table.end());
}

}  // namespace

int trans_init(const char* language)
{
    const TransTableText* table = find_table(language);
    const int result = table ? 0 : 1;
    if (!table) table = find_table(kFallback);
    if (table) load(table->text);
    else g_table.clear();
    g_open = true;
    return result;
}

int trans_get_value(long long code, char* buffer, size_t size)
{
    if (!buffer || size == 0) return -1;
    buffer[0] = '\0';
    if (!g_open) return -1;
    auto it = std::lower_bound(g_table.begin(), g_table.end(), code,
                               [](const Entry& e, long long c) { return e.code < c; });
    if (it == g_table.end() || it->code != code) return -1;
    const size_t n = std::min(it->text.size(), size - 1);
    std::memcpy(buffer, it->text.data(), n);
    buffer[n] = '\0';
    return 0;
}

void trans_deinit()
{
    g_table.clear();
    g_table.shrink_to_fit();
    g_open = false;
}

const char* trans_language_at(int n)
{
    return n >= 0 && n < kTransTableCount ? kTransTables[n].language : nullptr;
}
