#include "DossierHote.h"

#include <system_error>

namespace velmora {

std::filesystem::path DossierHote() {
    std::error_code e;
    const std::filesystem::path programme = std::filesystem::read_symlink("/proc/self/exe", e);
    if (e) return {};
    return programme.parent_path();
}

} // namespace velmora
