#include "MonoChromeReglages.h"

#include "imaging/ErreursFichier.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace velmora::monochrome {
namespace {

using reglages::Genre;

// The list's tints by their names, "neutre=$808080|acier=$3A8EBA|...", made
// from the list itself as the library loads: without memory then, no names
// (the library must still load).
const std::string nomsTeintes = []() noexcept -> std::string {
    try {
        std::string t;
        for (const char *entree : ListeTeintes) {
            const std::string_view e = entree;
            const std::size_t separateur = e.find(" : $");
            if (separateur == std::string_view::npos) continue;  // "Autre teinte ..."
            std::string nom = reglages::SansAccents(e.substr(0, separateur));
            for (char &c : nom)
                if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
            t += (t.empty() ? "" : "|") + nom + "=" + std::string(e.substr(separateur + 3));
        }
        return t;
    } catch (...) {
        return {};
    }
}();

// The picker's centre and the reset's identity tables: the dialog as it opens.
const reglages::Champ champs[] = {
    {"filtre", Genre::Point,
     "point du sélecteur de 208 × 208 où le filtre est pris (centre 104,104 ; rouge 104,4 ; "
     "vert 17,154 ; bleu 191,154)",
     -32768, 32767, "104,104"},
    {"teinte", Genre::Couleur, "teinte $RRVVBB ou nom de la liste ; $000000 : gris sans teinte", 0,
     0, "$000000", nomsTeintes.c_str()},
    {"fichier", Genre::Fichier, "fichier de teinte .uni (remplace teinte)", 0, 0, "", nullptr,
     "uni"},
};

std::string Nomme(const std::string &chemin) { return "fichier de teinte « " + chemin + " » : "; }

// The settings' text is UTF-8 on every system, whatever the code page.
std::filesystem::path Chemin(const std::string &utf8) {
    return std::filesystem::path(
        std::u8string_view(reinterpret_cast<const char8_t *>(utf8.data()), utf8.size()));
}

} // namespace

const std::span<const reglages::Champ> ChampsReglages = champs;

int32_t TeinteReglages(const reglages::Enregistrement &r) {
    const std::string &chemin = r.Texte("fichier");
    if (chemin.empty()) return int32_t(r.Entier("teinte"));
    try {
        return ValeurTeinte(ChargerTeinte(Chemin(chemin)));
    } catch (const ErreurFichier &e) {
        throw reglages::ErreurReglage(Nomme(chemin) + e.what());
    } catch (const ErreurConversion &e) {
        throw reglages::ErreurReglage(Nomme(chemin) + e.what());
    }
}

void ChargerFichiers(reglages::Enregistrement &r) {
    if (r.Texte("fichier").empty()) return;
    r["teinte"].Entier = TeinteReglages(r) & 0xFFFFFF;
    r.Definir("fichier", "");
}

void AppliquerReglages(const reglages::Enregistrement &r, TPtImg *pixels, int32_t largeur,
                       int32_t hauteur) {
    const int32_t rgb = TeinteReglages(r);  // before any pixel
    const auto &p = r["filtre"].Coords;
    const Coefficients k =
        CalculeCoeffs(Geometrie::De(TailleSelecteur, TailleSelecteur), Point{p[0], p[1]});
    Traiter(pixels, pixels, std::size_t(int64_t(largeur) * hauteur), k, CalculeTeinte(rgb));
}

} // namespace velmora::monochrome
