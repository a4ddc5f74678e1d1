#include "DossierHote.h"

#include <windows.h>

namespace velmora {

std::filesystem::path DossierHote() {
    char chemin[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, chemin, MAX_PATH); // the program, not this DLL
    if (n == 0 || n >= MAX_PATH) return {};
    return std::filesystem::path(std::string(chemin, n)).parent_path();
}

} // namespace velmora
