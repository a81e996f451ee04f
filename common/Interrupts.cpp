#include "common/Interrupts.h"

#include <cstring>

namespace Platform::Interrupts {

PendingFile g_pending[kSlots];
static_assert(std::atomic<int>::is_always_lock_free);

int TakeSlot(int folder, const std::string& path) {
    if (path.size() >= kSlotPath) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (g_pending[i].state.compare_exchange_strong(expected, kFilling)) {
            g_pending[i].folder = folder;
            std::memcpy(g_pending[i].path, path.c_str(), path.size() + 1);
            g_pending[i].state.store(kLive);
            return i;
        }
    }
    return -1;
}

void FreeSlot(int slot) {
    if (slot >= 0) g_pending[slot].state.store(kFree);
}

}  // namespace Platform::Interrupts
