// The library's version-information block and the reading of its digits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::version {

// Name of the ELF section that carries the block.
inline constexpr const char *Section = ".velmora_version";

// The block's bytes as embedded (Windows version-resource layout, 16-bit strings).
std::vector<uint8_t> BlocEmbarque();

// Reads the block back from the file the library was loaded from.
// Empty when the file or the section cannot be read.
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

// Path of the shared object that holds this code.
std::string FichierDeLaBibliotheque();

} // namespace velmora::version
