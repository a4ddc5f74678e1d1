// Linux: the block travels in an ELF section of the library and is read back
// from the file the library was loaded from.
#include "Version.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <array>
#include <cstring>
#include <fstream>
#include <string_view>

namespace velmora::version {
namespace {

// Builds, at compile time, a version resource as Windows lays it out:
// each node is {length, value length, type, key (UTF-16, zero-ended),
// padding to 4, value, padding to 4, children}.
struct Tampon {
    std::array<uint8_t, 1024> o{};
    std::size_t n = 0;

    constexpr void Mot(uint16_t v) {
        o[n++] = uint8_t(v & 0xFF);
        o[n++] = uint8_t(v >> 8);
    }
    constexpr void Double(uint32_t v) {
        Mot(uint16_t(v & 0xFFFF));
        Mot(uint16_t(v >> 16));
    }
    constexpr void Texte(std::string_view s) { // Latin-1 to UTF-16, with the zero
        for (char c : s) Mot(uint8_t(c));
        Mot(0);
    }
    constexpr void Aligner() {
        while (n % 4) o[n++] = 0;
    }
    constexpr void Longueur(std::size_t debut) {
        o[debut] = uint8_t((n - debut) & 0xFF);
        o[debut + 1] = uint8_t((n - debut) >> 8);
    }
};

constexpr std::pair<std::string_view, std::string_view> Chaines[] = {
    {"CompanyName", "Velmora"},
    {"FileDescription", "Plug-In de traitement des couleurs"},
    {"FileVersion", "4.0.0.0"},
    {"InternalName", "Velmora"},
    {"OriginalFilename", "velmora.so"},
    {"ProductName", "Velmora"},
    {"ProductVersion", "4.0.0.0"},
};

constexpr Tampon Construire() {
    Tampon t;
    const std::size_t racine = t.n;
    t.Mot(0); t.Mot(52); t.Mot(0);
    t.Texte("VS_VERSION_INFO");
    t.Aligner();
    // Fixed part: signature, structure version, file and product version 4.0.0.0.
    t.Double(0xFEEF04BD); t.Double(0x00010000);
    t.Double(0x00040000); t.Double(0);
    t.Double(0x00040000); t.Double(0);
    t.Double(0x3F); t.Double(0); t.Double(0x00040004); t.Double(2);
    t.Double(0); t.Double(0); t.Double(0);
    t.Aligner();

    const std::size_t sfi = t.n;
    t.Mot(0); t.Mot(0); t.Mot(1);
    t.Texte("StringFileInfo");
    t.Aligner();
    const std::size_t table = t.n;
    t.Mot(0); t.Mot(0); t.Mot(1);
    t.Texte("040C04E4"); // French, code page 1252
    t.Aligner();
    for (auto [cle, valeur] : Chaines) {
        t.Aligner();
        const std::size_t s = t.n;
        t.Mot(0); t.Mot(uint16_t(valeur.size() + 1)); t.Mot(1);
        t.Texte(cle);
        t.Aligner();
        t.Texte(valeur);
        t.Longueur(s);
    }
    t.Aligner();
    t.Longueur(table);
    t.Longueur(sfi);

    const std::size_t vfi = t.n;
    t.Mot(0); t.Mot(0); t.Mot(1);
    t.Texte("VarFileInfo");
    t.Aligner();
    const std::size_t var = t.n;
    t.Mot(0); t.Mot(4); t.Mot(0);
    t.Texte("Translation");
    t.Aligner();
    t.Mot(0x040C); t.Mot(1252);
    t.Longueur(var);
    t.Longueur(vfi);
    t.Longueur(racine);
    return t;
}

constexpr Tampon Construit = Construire();
using Bloc = std::array<uint8_t, Construit.n>;
constexpr Bloc Copier() {
    Bloc b{};
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = Construit.o[i];
    return b;
}

[[gnu::section(".velmora_version"), gnu::used]] const Bloc blocVersion = Copier();

template <class Ehdr, class Shdr>
std::vector<uint8_t> SectionNommee(std::ifstream &f, std::string_view nom) {
    Ehdr e{};
    f.seekg(0);
    if (!f.read(reinterpret_cast<char *>(&e), sizeof e)) return {};
    if (e.e_shentsize != sizeof(Shdr) || e.e_shnum == 0 || e.e_shstrndx >= e.e_shnum) return {};
    std::vector<Shdr> sections(e.e_shnum);
    f.seekg(std::streamoff(e.e_shoff));
    if (!f.read(reinterpret_cast<char *>(sections.data()),
                std::streamsize(sections.size() * sizeof(Shdr))))
        return {};
    auto lire = [&f](uint64_t offset, uint64_t taille) -> std::vector<uint8_t> {
        if (taille > (uint64_t(1) << 24)) return {};
        std::vector<uint8_t> v(taille);
        f.seekg(std::streamoff(offset));
        if (!f.read(reinterpret_cast<char *>(v.data()), std::streamsize(taille))) return {};
        return v;
    };
    const Shdr &noms = sections[e.e_shstrndx];
    const std::vector<uint8_t> table = lire(noms.sh_offset, noms.sh_size);
    for (const Shdr &s : sections) {
        if (s.sh_name >= table.size()) continue;
        const char *debut = reinterpret_cast<const char *>(table.data()) + s.sh_name;
        const std::string_view n(debut, strnlen(debut, table.size() - s.sh_name));
        if (n == nom && s.sh_type != SHT_NOBITS) return lire(s.sh_offset, s.sh_size);
    }
    return {};
}

} // namespace

std::vector<uint8_t> BlocEmbarque() { return {blocVersion.begin(), blocVersion.end()}; }

std::vector<uint8_t> LireBloc(const std::string &fichier) {
    std::ifstream f(fichier, std::ios::binary);
    if (!f) return {};
    unsigned char ident[EI_NIDENT] = {};
    if (!f.read(reinterpret_cast<char *>(ident), EI_NIDENT)) return {};
    if (std::memcmp(ident, ELFMAG, SELFMAG) != 0) return {};
    if (ident[EI_CLASS] == ELFCLASS64) return SectionNommee<Elf64_Ehdr, Elf64_Shdr>(f, Section);
    if (ident[EI_CLASS] == ELFCLASS32) return SectionNommee<Elf32_Ehdr, Elf32_Shdr>(f, Section);
    return {};
}

std::string FichierDeLaBibliotheque() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&FichierDeLaBibliotheque), &info) && info.dli_fname)
        return info.dli_fname;
    return {};
}

} // namespace velmora::version
