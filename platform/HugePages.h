// Large buffers in huge pages: a buffer of tens of megabytes written for the first time costs one
// page fault per 4 KiB page, which on a virtual machine is most of the cost of filling it. Asked
// before the first write, the system can back the buffer with 2 MiB pages instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/mman.h>

namespace pindle {

// Advises huge pages for the whole 2 MiB pages inside [data, data + size). Only advice: where the
// system refuses it, or the buffer is small, nothing changes.
inline void AdviseHugePages(void* data, std::size_t size) noexcept
{
    constexpr std::uintptr_t hugePage = 2 * 1024 * 1024;
    if (size < 2 * hugePage)
        return;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t last = (start + size) & ~(hugePage - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace pindle
