// Large arrays fault in far fewer pages, and lookups anywhere in a large
// table miss the address cache less, when the system backs them with huge
// pages; this asks for it where offered.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace quervik {

// Asks for huge pages for the whole 2 MiB pages inside [p, p + bytes): one
// page fault instead of 512 as an array fills them. Only a hint.
inline void AdviseHugePages(void* p, std::size_t bytes) {
#ifdef __linux__
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  const auto begin = (reinterpret_cast<std::uintptr_t>(p) + kHuge - 1) & ~(kHuge - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(kHuge - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)p;
  (void)bytes;
#endif
}

}  // namespace quervik
