#include "runtime/memory_advice.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace quellora {

void AdviseHugePages(void* data, std::size_t size) noexcept {
#ifdef MADV_HUGEPAGE
  constexpr std::size_t kWorthwhile = std::size_t{4} << 20;
  if (data == nullptr || size < kWorthwhile) return;
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pageSize <= 0) return;
  const auto page = static_cast<std::uintptr_t>(pageSize);
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (begin + page - 1) / page * page;
  const std::uintptr_t last = (begin + size) / page * page;
  if (last > first) {
    madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  }
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace quellora
