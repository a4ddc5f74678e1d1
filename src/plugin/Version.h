// The library's version-information block and the reading of its digits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::version {

// Linux: the name of the ELF section that carries the block, and the block's
// bytes as embedded (Windows version-resource layout, 16-bit strings).
inline constexpr const char *Section = ".velmora_version";
std::vector<uint8_t> BlocEmbarque();

// Reads the block back from a library file (on Windows, its version resource).
// Empty when the file or the block cannot be read.
std::vector<uint8_t> LireBloc(const std::string &fichier);

// The digits found after "FileVersion" once the zero bytes are dropped:
// the first and third characters of the 7 that follow. Sets *echec to the
// one-character text that failed (first failing one only); writes majeur
// before mineur is tried, as a caller's outputs are written in order.
struct Chiffres {
    std::optional<int32_t> majeur, mineur;
    std::string echec; // the text that is not a whole number, if any
};
Chiffres ExtraireChiffres(const std::vector<uint8_t> &bloc);

// Path of the library file that holds this code.
std::string FichierDeLaBibliotheque();

} // namespace velmora::version
