// Hints to the kernel about how large buffers will be used.
#pragma once

#include <cstddef>

namespace quellora {

/// Asks for transparent huge pages behind the page-aligned interior of a buffer that is about to
/// be filled, so a body of many megabytes costs a few page faults instead of one per 4 KiB page.
/// Only a hint: buffers under a few megabytes, or a kernel that ignores it, change nothing.
void AdviseHugePages(void* data, std::size_t size) noexcept;

}  // namespace quellora
