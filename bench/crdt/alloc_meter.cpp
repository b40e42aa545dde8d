// Counts the bytes held through operator new, so benchmarks can report what a document keeps and
// the peak it reaches, independently of how the allocator returns memory to the system.

#include "alloc_meter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> g_live{0};
std::atomic<std::size_t> g_peak{0};

void* counted(std::size_t n)
{
    void* p = std::malloc(n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    std::size_t live = g_live.fetch_add(malloc_usable_size(p), std::memory_order_relaxed) + malloc_usable_size(p);
    std::size_t peak = g_peak.load(std::memory_order_relaxed);
    while (live > peak && !g_peak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
    }
    return p;
}

void uncounted(void* p)
{
    if (!p)
        return;
    g_live.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
    std::free(p);
}
} // namespace

void* operator new(std::size_t n) { return counted(n); }
void* operator new[](std::size_t n) { return counted(n); }
void operator delete(void* p) noexcept { uncounted(p); }
void operator delete[](void* p) noexcept { uncounted(p); }
void operator delete(void* p, std::size_t) noexcept { uncounted(p); }
void operator delete[](void* p, std::size_t) noexcept { uncounted(p); }

namespace bench {

std::size_t live_bytes() { return g_live.load(); }
std::size_t peak_bytes() { return g_peak.load(); }
void reset_peak() { g_peak.store(g_live.load()); }

} // namespace bench
