// Huge-page advice on Linux; nothing elsewhere.
#include "vb_runtime/MemoryAdvice.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vb {

void PreferHugePages([[maybe_unused]] void* data, [[maybe_unused]] size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
    if (size < 2 * kHugePage) return;
    const auto start = reinterpret_cast<uintptr_t>(data);
    const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (start + size) & ~(kHugePage - 1);
    // Advice only: where it is refused, the buffer is simply mapped page by page.
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#endif
}

}  // namespace vb
