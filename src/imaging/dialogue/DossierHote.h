// The folder of the host's program (not of this library), where the file
// dialogs start. One file per platform.
#pragma once

#include <filesystem>

namespace velmora {

// Without a trailing separator; empty when the system does not say.
std::filesystem::path DossierHote();

} // namespace velmora
