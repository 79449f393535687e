// Advice to the system about how large buffers are used.
#pragma once

#include <cstddef>

namespace vb {

/// Asks the system to back the whole 2 MB pages inside [data, data + size)
/// with huge pages, before they are first touched: a buffer of many
/// megabytes is then mapped in a few hundred times fewer page faults, which
/// a virtual machine makes costly. No effect for buffers below 4 MB, or
/// where the system has no such pages.
void PreferHugePages(void* data, size_t size);

}  // namespace vb
