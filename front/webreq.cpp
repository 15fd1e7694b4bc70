#include "front/webreq.h"

#include <cstring>

#include "common/reply.h"

namespace {

WebReqEntry g_slots[MAX_WEBREQ_COUNT];
unsigned char g_in_use[MAX_WEBREQ_COUNT];
int g_count;

struct ModuleNote {
    const char* module;
    const WebReqEntry* table;
    int count;
};
ModuleNote g_modules[16];
int g_module_count;

}  // namespace

int webreq_register(const WebReqEntry* table, int count)
{
    if (!table || count <= 0) return -1;
    if (g_count + count >= MAX_WEBREQ_COUNT) {
        cgi_debug_log("dispatchreq", 62, "", "[kel debug] WEBREQ exceeded maximum value(MAX_WEBREQ_COUNT)");
        return -1;
    }
    int slot = 0;
    for (int i = 0; i < count; i++) {
        while (slot < MAX_WEBREQ_COUNT && g_in_use[slot]) slot++;
        if (slot == MAX_WEBREQ_COUNT) break;
        g_slots[slot] = table[i];
        g_slots[slot].name[sizeof g_slots[slot].name - 1] = '\0';
        g_in_use[slot] = 1;
        g_count++;
    }
    return 0;
}

int webreq_unregister(const WebReqEntry* table, int count)
{
    if (!table || count <= 0) return -1;
    for (int slot = 0; slot < MAX_WEBREQ_COUNT; slot++) {
        if (!g_in_use[slot]) continue;
        for (int i = 0; i < count; i++) {
            if (std::strncmp(g_slots[slot].name, table[i].name, sizeof table[i].name) == 0) {
                std::memset(&g_slots[slot], 0, sizeof g_slots[slot]);
                g_in_use[slot] = 0;
                g_count--;
                break;
            }
        }
    }
    return 0;
}

void webreq_dispatch(const char* code, const char* request)
{
    if (!code) return;
    for (int slot = 0; slot < MAX_WEBREQ_COUNT; slot++) {
        if (g_in_use[slot] && std::strcmp(g_slots[slot].name, code) == 0) {
            if (g_slots[slot].handler) g_slots[slot].handler(request ? request : "");
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

void webreq_note_module(const char* module, const WebReqEntry* table, int count)
{
    if (g_module_count < static_cast<int>(sizeof g_modules / sizeof g_modules[0]))
        g_modules[g_module_count++] = {module, table, count};
}

const char* webreq_module_of(const char* code)
{
    for (int m = 0; m < g_module_count; m++)
        for (int i = 0; i < g_modules[m].count; i++)
            if (std::strcmp(g_modules[m].table[i].name, code) == 0) return g_modules[m].module;
    return "";
}
