// nvr-api-codes: prints the registered request table in slot order, one
// line per slot: slot, request code, module.
#include <cstdio>

#include "front/webreq.h"

int main()
{
    for (int slot = 0; slot < MAX_WEBREQ_COUNT; slot++) {
        const WebReqEntry* e = webreq_slot(slot);
        if (e) std::printf("%d %s %s\n", slot, e->name, webreq_module_of(e->name));
    }
    std::printf("total %d\n", webreq_count());
    return 0;
}
