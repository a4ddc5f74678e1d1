// Windows: the block is the library's version resource (velmora.rc), read back
// through the system's version services from the file the library was loaded from.
#include "Version.h"

#include <windows.h>

namespace velmora::version {

std::vector<uint8_t> LireBloc(const std::string &fichier) {
    DWORD inutile = 0;
    const DWORD taille = GetFileVersionInfoSizeA(fichier.c_str(), &inutile);
    if (taille == 0) return {};
    std::vector<uint8_t> bloc(taille);
    if (!GetFileVersionInfoA(fichier.c_str(), 0, taille, bloc.data())) return {};
    return bloc;
}

std::string FichierDeLaBibliotheque() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&FichierDeLaBibliotheque), &module))
        return {};
    char chemin[MAX_PATH] = {}; // 260 characters
    const DWORD n = GetModuleFileNameA(module, chemin, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {}; // a cut path names another file
    return std::string(chemin, n);
}

} // namespace velmora::version
