#include "tests/common/AllocationProbe.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int> probes{0};
std::atomic<std::size_t> largest{0};
std::atomic<std::size_t> held{0};
std::atomic<std::size_t> peak{0};
std::atomic<std::size_t> base{0};
std::atomic<std::size_t> refuseAbove{SIZE_MAX};

void Raise(std::atomic<std::size_t>& value, std::size_t to) {
    std::size_t seen = value.load(std::memory_order_relaxed);
    while (to > seen && !value.compare_exchange_weak(seen, to, std::memory_order_relaxed)) {
    }
}

// Each block carries, just before what the caller gets, its size and where
// the underlying allocation begins: so that delete knows what it frees, for
// any alignment.
struct Header {
    std::size_t size;
    void* raw;
};
constexpr std::size_t kHeaderRoom = 16;
static_assert(sizeof(Header) <= kHeaderRoom);

void* Allocate(std::size_t size, std::size_t alignment = alignof(std::max_align_t)) noexcept {
    if (size > refuseAbove.load(std::memory_order_relaxed)) return nullptr;
    const std::size_t room = std::max(alignment, kHeaderRoom);
    void* raw = std::malloc(size + room + alignment);
    if (!raw) return nullptr;
    auto user = reinterpret_cast<std::uintptr_t>(raw) + room;
    user = (user + alignment - 1) / alignment * alignment;
    auto* header = reinterpret_cast<Header*>(user - kHeaderRoom);
    header->size = size;
    header->raw = raw;
    const std::size_t now = held.fetch_add(size, std::memory_order_relaxed) + size;
    if (probes.load(std::memory_order_relaxed) > 0) {
        Raise(largest, size);
        Raise(peak, now);
    }
    return reinterpret_cast<void*>(user);
}

void* AllocateOrThrow(std::size_t size, std::size_t alignment = alignof(std::max_align_t)) {
    void* p = Allocate(size, alignment);
    if (!p) throw std::bad_alloc();
    return p;
}

void Release(void* p) noexcept {
    if (!p) return;
    const auto* header = reinterpret_cast<const Header*>(static_cast<char*>(p) - kHeaderRoom);
    held.fetch_sub(header->size, std::memory_order_relaxed);
    std::free(header->raw);
}

}  // namespace

namespace TestSupport {

AllocationProbe::AllocationProbe() {
    largest = 0;
    base = held.load();
    peak = base.load();
    ++probes;
}
AllocationProbe::~AllocationProbe() {
    refuseAbove = SIZE_MAX;
    --probes;
}
void AllocationProbe::RefuseAbove(std::size_t bytes) { refuseAbove = bytes; }
std::size_t AllocationProbe::Largest() const { return largest.load(); }
std::size_t AllocationProbe::PeakHeld() const { return peak.load() - base.load(); }

}  // namespace TestSupport

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new(std::size_t size, std::align_val_t a) { return AllocateOrThrow(size, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return AllocateOrThrow(size, static_cast<std::size_t>(a)); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return Allocate(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return Allocate(size, static_cast<std::size_t>(a));
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }
