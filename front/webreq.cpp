#include "front/webreq.h"

#include <algorithm>
#include <cstring>

#include "platform/record.h"
#include "common/reply.h"
#include "platform/kxdb.h"

namespace {

WebReqEntry g_slots[MAX_WEBREQ_COUNT];
unsigned char g_in_use[MAX_WEBREQ_COUNT];
const WebReqEntry* g_owner[MAX_WEBREQ_COUNT];  // the table a slot's row came from
int g_count;
int g_high;  // slots at and above this index have never been used
int g_free;  // no free slot below this index

WebReqModule g_modules[16];
int g_module_count;

}  // namespace

int webreq_register(const WebReqEntry* table, int count)
{
    if (!table || count <= 0) return -1;
    if (g_count + count >= MAX_WEBREQ_COUNT) {
        cgi_debug_log("dispatchreq", 62, "", "[kel debug] WEBREQ exceeded maximum value(MAX_WEBREQ_COUNT)");
        return -1;
    }
    // Rows take the lowest free slots in order; the search resumes where the
    // last row went, so a registration costs time in its rows, not in the
    // slots already filled. Each run of free slots takes its rows in one
    // copy (at start-up every slot past the last one used is free).
    int slot = g_free;
    for (int i = 0; i < count;) {
        while (slot < MAX_WEBREQ_COUNT && g_in_use[slot]) slot++;
        if (slot == MAX_WEBREQ_COUNT) break;
        int run = 1;
        while (i + run < count && slot + run < MAX_WEBREQ_COUNT && !g_in_use[slot + run]) run++;
        std::memcpy(&g_slots[slot], &table[i], run * sizeof table[0]);
        std::memset(&g_in_use[slot], 1, run);
        for (int k = 0; k < run; k++) {
            g_slots[slot + k].name[sizeof g_slots[0].name - 1] = '\0';
            g_owner[slot + k] = table;
        }
        i += run;
        slot += run;
        g_count += run;
        if (slot > g_high) g_high = slot;
    }
    g_free = slot;
    return 0;
}

// Request codes as 64-bit keys (a name is 8 bytes), so that removing a
// module at exit is a sorted look-up rather than a scan of every slot
// against every row.
static u64 name_key(const char (&name)[8])
{
    char text[8] = {};
    std::memcpy(text, name, strnlen(name, sizeof text - 1));  // bytes after the NUL do not count
    u64 k;
    std::memcpy(&k, text, sizeof k);
    return k;
}

static bool is_module_table(const WebReqEntry* table, int count);

static void clear_slot(int slot)
{
    g_slots[slot] = WebReqEntry{};
    g_owner[slot] = nullptr;
    g_in_use[slot] = 0;
    g_count--;
    if (slot < g_free) g_free = slot;
}

int webreq_unregister(const WebReqEntry* table, int count)
{
    if (!table || count <= 0) return -1;
    // A module's own table: its rows are the slots it filled (no request
    // code occurs in two module tables), found without comparing names.
    if (is_module_table(table, count)) {
        for (int slot = 0; slot < g_high; slot++)
            if (g_in_use[slot] && g_owner[slot] == table) clear_slot(slot);
        return 0;
    }
    u64 keys[MAX_WEBREQ_COUNT];
    int n = 0;
    for (int i = 0; i < count && n < MAX_WEBREQ_COUNT; i++) keys[n++] = name_key(table[i].name);
    std::sort(keys, keys + n);
    for (int slot = 0; slot < g_high; slot++)
        if (g_in_use[slot] && std::binary_search(keys, keys + n, name_key(g_slots[slot].name))) clear_slot(slot);
    return 0;
}

// The reply kind of a row, from the third field of its doc text: JSON, or
// plain text for every other kind.
static int doc_reply_kind(const char* doc)
{
    const char* p = doc;
    for (int field = 0; p && field < 2; field++) {
        p = std::strstr(p, " | ");
        if (p) p += 3;
    }
    return p && std::strncmp(p, "JSON", 4) == 0 ? kReplyJson : kReplyText;
}

static void log_store_failure(const char* error)
{
    CGI_LOG("store write failed: %s", error);
}

void webreq_dispatch(const char* code, const char* request)
{
    if (!code) return;
    for (int slot = 0; slot < MAX_WEBREQ_COUNT; slot++) {
        if (g_in_use[slot] && std::strcmp(g_slots[slot].name, code) == 0) {
            if (!g_slots[slot].handler) return;
            // One store scope per request: its writes are one unit against
            // other processes, and a write or commit that failed is answered
            // with the kind's error text when the handler wrote nothing.
            cgi_reply_reset();
            kxdb_request_begin(log_store_failure);
            g_slots[slot].handler(request ? request : "");
            if (kxdb_request_end() != 0 && !cgi_reply_started()) cgi_reply_error(doc_reply_kind(g_slots[slot].doc));
            return;
        }
    }
}

int webreq_count() { return g_count; }

const WebReqEntry* webreq_slot(int slot)
{
    if (slot < 0 || slot >= MAX_WEBREQ_COUNT || !g_in_use[slot]) return nullptr;
    return &g_slots[slot];
}

void webreq_note_module(const char* module, const WebReqEntry* table, int count, const char* file)
{
    if (g_module_count < static_cast<int>(sizeof g_modules / sizeof g_modules[0]))
        g_modules[g_module_count++] = {module, table, count, file ? file : ""};
}

const WebReqModule* webreq_module_at(int index)
{
    return index >= 0 && index < g_module_count ? &g_modules[index] : nullptr;
}

static bool is_module_table(const WebReqEntry* table, int count)
{
    for (int m = 0; m < g_module_count; m++)
        if (g_modules[m].table == table && g_modules[m].count == count) return true;
    return false;
}

const char* webreq_module_of(const char* code)
{
    for (int m = 0; m < g_module_count; m++)
        for (int i = 0; i < g_modules[m].count; i++)
            if (std::strcmp(g_modules[m].table[i].name, code) == 0) return g_modules[m].module;
    return "";
}
