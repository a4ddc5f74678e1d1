// Large working arrays backed by the system's large pages where it offers them.
// A fresh block of tens of megabytes is otherwise filled one 4 KB page fault at
// a time at its first touch, which costs several times the copy that fills it
// (and in a virtual machine far more); with 2 MB pages the system only clears
// them. One file per platform: a hint, which never fails and never changes a byte.
#pragma once

#include <cstddef>

namespace velmora {

// Below this size a block is left as it is: too few pages to matter.
inline constexpr std::size_t SeuilGrandesPages = std::size_t(8) << 20;

// Asks for large pages under the part of [bloc, bloc + octets) aligned on their
// size. Call it before the block is first written: pages already touched stay
// as they are. Nothing happens where the system has none, or refuses.
void GrandesPages(void *bloc, std::size_t octets);

} // namespace velmora
