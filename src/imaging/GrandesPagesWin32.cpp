#include "GrandesPages.h"

namespace velmora {

// Windows gives large pages only to a process holding the lock-pages privilege,
// and only to blocks allocated for them: the host's allocator keeps its own.
void GrandesPages(void *, std::size_t) {}

} // namespace velmora
