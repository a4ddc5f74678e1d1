#include "Sortie.h"

#include <windows.h>

namespace velmora::sortie {

// The system knows: the loader is shutting the process down.
void Guetter() {}

bool EnCours() {
    using Fn = BOOLEAN(WINAPI *)();
    static const auto f = reinterpret_cast<Fn>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlDllShutdownInProgress")));
    return f && f();
}

} // namespace velmora::sortie
