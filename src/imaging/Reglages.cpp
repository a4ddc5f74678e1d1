#include "Reglages.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>

namespace velmora::reglages {
namespace {

std::string_view Rogner(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string Guillemets(std::string_view s) { return "« " + std::string(s) + " »"; }

// At most the first 40 bytes, not cutting a UTF-8 character, "…" after a cut.
std::string Debut(std::string_view s) {
    if (s.size() <= 40) return std::string(s);
    std::size_t n = 40;
    while (n > 0 && (uint8_t(s[n]) & 0xC0) == 0x80) --n;
    return std::string(s.substr(0, n)) + "…";
}

std::string Nombre(long double x) {
    char tampon[64];
    std::snprintf(tampon, sizeof tampon, "%.10Lg", x);
    return tampon;
}

// The items of a choice or of a colour's names, in order.
std::vector<std::string_view> Elements(const Champ &c) {
    std::vector<std::string_view> elements;
    std::string_view reste = c.Choix ? c.Choix : "";
    while (!reste.empty()) {
        const std::size_t barre = reste.find('|');
        elements.push_back(reste.substr(0, barre));
        if (barre == std::string_view::npos) break;
        reste.remove_prefix(barre + 1);
    }
    return elements;
}

// The names of a choice, or of a colour's named values ("nom=$RRGGBB").
std::vector<std::string_view> Noms(const Champ &c) {
    std::vector<std::string_view> noms = Elements(c);
    if (c.Type == Genre::Couleur)
        for (std::string_view &n : noms) n = n.substr(0, n.find('='));
    return noms;
}

bool MemesLettres(std::string_view a, std::string_view b) {
    const std::string sa = SansAccents(a), sb = SansAccents(b);
    if (sa.size() != sb.size()) return false;
    for (std::size_t i = 0; i < sa.size(); ++i) {
        auto bas = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (bas(sa[i]) != bas(sb[i])) return false;
    }
    return true;
}

// $RRGGBB or #RRGGBB.
std::optional<uint32_t> LireCouleur(std::string_view s) {
    if (s.size() != 7 || (s[0] != '$' && s[0] != '#')) return std::nullopt;
    uint32_t rgb = 0;
    const auto [fin, ec] = std::from_chars(s.data() + 1, s.data() + 7, rgb, 16);
    if (ec != std::errc() || fin != s.data() + 7) return std::nullopt;
    return rgb;
}

// A whole decimal integer (an optional sign, digits), nothing else.
std::optional<int64_t> LireEntier(std::string_view s) {
    s = Rogner(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    int64_t v = 0;
    const auto [fin, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || fin != s.data() + s.size()) return std::nullopt;
    return v;
}

// Integers separated by commas, exactly n of them.
std::optional<std::array<int32_t, 4>> LireCoords(std::string_view s, int n) {
    std::array<int32_t, 4> c{};
    for (int i = 0; i < n; ++i) {
        const std::size_t virgule = s.find(',');
        if ((i + 1 < n) == (virgule == std::string_view::npos)) return std::nullopt;
        const auto v = LireEntier(s.substr(0, virgule));
        if (!v || *v < INT32_MIN || *v > INT32_MAX) return std::nullopt;
        c[std::size_t(i)] = int32_t(*v);
        if (virgule != std::string_view::npos) s.remove_prefix(virgule + 1);
    }
    return c;
}

} // namespace

std::string SansAccents(std::string_view texte) {
    // The two-byte UTF-8 letters of French, after their lead byte 0xC3.
    static constexpr struct {
        unsigned char suite;
        char lettre;
    } lettres[] = {{0x80, 'A'}, {0x82, 'A'}, {0x84, 'A'}, {0x87, 'C'}, {0x88, 'E'}, {0x89, 'E'},
                   {0x8A, 'E'}, {0x8B, 'E'}, {0x8E, 'I'}, {0x8F, 'I'}, {0x94, 'O'}, {0x96, 'O'},
                   {0x99, 'U'}, {0x9B, 'U'}, {0x9C, 'U'}, {0xA0, 'a'}, {0xA2, 'a'}, {0xA4, 'a'},
                   {0xA7, 'c'}, {0xA8, 'e'}, {0xA9, 'e'}, {0xAA, 'e'}, {0xAB, 'e'}, {0xAE, 'i'},
                   {0xAF, 'i'}, {0xB4, 'o'}, {0xB6, 'o'}, {0xB9, 'u'}, {0xBB, 'u'}, {0xBC, 'u'}};
    std::string t;
    t.reserve(texte.size());
    for (std::size_t i = 0; i < texte.size(); ++i) {
        if (uint8_t(texte[i]) == 0xC3 && i + 1 < texte.size()) {
            const auto *l = std::find_if(std::begin(lettres), std::end(lettres), [&](const auto &x) {
                return x.suite == uint8_t(texte[i + 1]);
            });
            if (l != std::end(lettres)) {
                t += l->lettre;
                ++i;
                continue;
            }
        }
        t += texte[i];
    }
    return t;
}

std::string Attendu(const Champ &c) {
    switch (c.Type) {
    case Genre::Entier:
        return "un entier de " + Nombre(c.Mini) + " à " + Nombre(c.Maxi);
    case Genre::Reel:
        return "un nombre de " + Nombre(c.Mini) + " à " + Nombre(c.Maxi);
    case Genre::Choix: {
        std::string t;
        const auto noms = Noms(c);
        for (std::size_t i = 0; i < noms.size(); ++i)
            t += (i == 0 ? "" : i + 1 == noms.size() ? " ou " : ", ") + std::string(noms[i]);
        return t;
    }
    case Genre::Fichier:
        return std::string("le chemin d'un fichier .") + (c.Filtre ? c.Filtre : "");
    case Genre::Couleur: {
        std::string t = "une couleur $RRVVBB";
        const auto noms = Noms(c);
        for (std::size_t i = 0; i < noms.size(); ++i)
            t += (i == 0 ? " ou une de ces teintes : " : ", ") + std::string(noms[i]);
        return t;
    }
    case Genre::Point:
        return "x,y, chacun de " + Nombre(c.Mini) + " à " + Nombre(c.Maxi);
    case Genre::Rectangle: return "x,y,largeur,hauteur en pixels de l'image";
    case Genre::Entiers:
        return std::to_string(c.Nombre) + " entiers de " + Nombre(c.Mini) + " à " + Nombre(c.Maxi) +
               " séparés par des virgules";
    }
    return {};
}

Enregistrement::Enregistrement(std::span<const Champ> champs)
    : champs_(champs), valeurs_(champs.size()) {
    for (const Champ &c : champs_) {
        if (c.Defaut && *c.Defaut) Definir(c.Nom, c.Defaut);
    }
}

std::size_t Enregistrement::Index(std::string_view nom) const {
    for (std::size_t i = 0; i < champs_.size(); ++i)
        if (champs_[i].Nom == nom) return i;
    std::string connus;
    for (const Champ &c : champs_) connus += (connus.empty() ? "" : ", ") + std::string(c.Nom);
    throw ErreurReglage("réglage inconnu : " + Guillemets(nom) +
                        (connus.empty() ? " (cette opération n'a pas de réglage)"
                                        : " (réglages de cette opération : " + connus + ")"));
}

const Valeur &Enregistrement::operator[](std::string_view nom) const { return valeurs_[Index(nom)]; }
Valeur &Enregistrement::operator[](std::string_view nom) { return valeurs_[Index(nom)]; }

void Enregistrement::Definir(std::string_view nom, std::string_view texte) {
    const std::size_t i = Index(nom);
    const Champ &c = champs_[i];
    texte = Rogner(texte);
    auto invalide = [&]() {
        return ErreurReglage("valeur invalide pour " + Guillemets(c.Nom) + " : " +
                             Guillemets(texte) + " (attendu : " + Attendu(c) + ")");
    };
    Valeur v;
    switch (c.Type) {
    case Genre::Entier: {
        const auto e = LireEntier(texte);
        if (!e || *e < c.Mini || *e > c.Maxi) throw invalide();
        v.Entier = *e;
        break;
    }
    case Genre::Reel: {
        std::string s(texte);
        for (char &ch : s)
            if (ch == ',') ch = '.';
        const char *debut = s.data() + (!s.empty() && s[0] == '+');
        velmora::Reel x = 0;
        const auto [fin, ec] = std::from_chars(debut, s.data() + s.size(), x);
        if (s.empty() || ec != std::errc() || fin != s.data() + s.size() || !std::isfinite(x) ||
            x < c.Mini || x > c.Maxi)
            throw invalide();
        v.Nombre = x;
        break;
    }
    case Genre::Choix: {
        const auto noms = Noms(c);
        std::size_t k = 0;
        while (k < noms.size() && !MemesLettres(noms[k], texte)) ++k;
        if (k == noms.size()) throw invalide();
        v.Entier = int64_t(k);
        break;
    }
    case Genre::Fichier:
        v.Texte = std::string(texte);
        v.Vide = texte.empty();
        break;
    case Genre::Couleur: {
        std::optional<uint32_t> rgb = LireCouleur(texte);
        if (!rgb) {
            // A name the field lists stands for its colour.
            const auto elements = Elements(c);
            const auto noms = Noms(c);
            for (std::size_t k = 0; k < noms.size() && !rgb; ++k)
                if (noms[k].size() < elements[k].size() && MemesLettres(noms[k], texte))
                    rgb = LireCouleur(elements[k].substr(noms[k].size() + 1));
        }
        if (!rgb) throw invalide();
        v.Entier = *rgb;
        break;
    }
    case Genre::Point: {
        const auto p = LireCoords(texte, 2);
        if (!p || (*p)[0] < c.Mini || (*p)[0] > c.Maxi || (*p)[1] < c.Mini || (*p)[1] > c.Maxi)
            throw invalide();
        v.Coords = *p;
        break;
    }
    case Genre::Rectangle: {
        if (texte.empty()) break;  // none
        const auto r = LireCoords(texte, 4);
        if (!r || (*r)[0] < 0 || (*r)[1] < 0 || (*r)[2] < 1 || (*r)[3] < 1) throw invalide();
        v.Coords = *r;
        v.Vide = false;
        break;
    }
    case Genre::Entiers: {
        if (texte.empty()) break;  // none
        // A long list is not echoed whole: the message names the item at fault.
        auto refuser = [&](const std::string &quoi) {
            return ErreurReglage("valeur invalide pour " + Guillemets(c.Nom) + " : " + quoi +
                                 " (attendu : " + Attendu(c) + ")");
        };
        v.Liste.reserve(c.Nombre);
        std::size_t n = 0;
        for (std::string_view reste = texte;;) {
            const std::size_t virgule = reste.find(',');
            const std::string_view element = reste.substr(0, virgule);
            const auto e = LireEntier(element);
            ++n;
            if (!e || *e < c.Mini || *e > c.Maxi)
                throw refuser("entier n° " + std::to_string(n) + " " + Guillemets(Debut(Rogner(element))));
            if (n <= c.Nombre) v.Liste.push_back(int32_t(*e));
            if (virgule == std::string_view::npos) break;
            reste.remove_prefix(virgule + 1);
        }
        if (n != c.Nombre) throw refuser(std::to_string(n) + " entiers");
        v.Vide = false;
        break;
    }
    }
    valeurs_[i] = std::move(v);
}

std::string TexteValeur(const Champ &c, const Valeur &v) {
    switch (c.Type) {
    case Genre::Entier: return std::to_string(v.Entier);
    case Genre::Reel: return Nombre(v.Nombre);
    case Genre::Choix: {
        const auto noms = Noms(c);
        return v.Entier >= 0 && std::size_t(v.Entier) < noms.size()
                   ? std::string(noms[std::size_t(v.Entier)])
                   : std::string();
    }
    case Genre::Fichier: return v.Texte;
    case Genre::Couleur: {
        char t[8];
        std::snprintf(t, sizeof t, "$%06X", unsigned(v.Entier & 0xFFFFFF));
        return t;
    }
    case Genre::Point: return std::to_string(v.Coords[0]) + "," + std::to_string(v.Coords[1]);
    case Genre::Rectangle:
        if (v.Vide) return {};
        return std::to_string(v.Coords[0]) + "," + std::to_string(v.Coords[1]) + "," +
               std::to_string(v.Coords[2]) + "," + std::to_string(v.Coords[3]);
    case Genre::Entiers: {
        std::string t;
        for (std::size_t k = 0; k < v.Liste.size(); ++k) {
            if (k) t += ',';
            t += std::to_string(v.Liste[k]);
        }
        return t;
    }
    }
    return {};
}

std::string Enregistrement::Texte() const {
    std::string t;
    for (std::size_t i = 0; i < champs_.size(); ++i) {
        const Champ &c = champs_[i];
        if ((c.Type == Genre::Fichier || c.Type == Genre::Rectangle || c.Type == Genre::Entiers) &&
            valeurs_[i].Vide)
            continue;
        t += std::string(c.Nom) + "=" + TexteValeur(c, valeurs_[i]) + "\n";
    }
    return t;
}

std::filesystem::path Chemin(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string TexteChemin(const std::filesystem::path &chemin) {
    try {
        const std::u8string u = chemin.u8string();
        return std::string(u.begin(), u.end());
    } catch (const std::exception &) {
        return {};  // a Windows name that is not valid UTF-16
    }
}

Enregistrement Lire(std::span<const Champ> champs, std::string_view texte) {
    Enregistrement r(champs);
    std::vector<std::string> vus;
    while (!texte.empty()) {
        const std::size_t fin = texte.find_first_of(";\n");
        const std::string_view element = Rogner(texte.substr(0, fin));
        texte.remove_prefix(fin == std::string_view::npos ? texte.size() : fin + 1);
        if (element.empty()) continue;
        const std::size_t egal = element.find('=');
        if (egal == std::string_view::npos)
            throw ErreurReglage("réglage sans valeur : " + Guillemets(element) +
                                " (attendu : nom=valeur)");
        const std::string nom(Rogner(element.substr(0, egal)));
        for (const std::string &v : vus)
            if (v == nom) throw ErreurReglage("réglage donné deux fois : " + Guillemets(nom));
        vus.push_back(nom);
        r.Definir(nom, element.substr(egal + 1));
    }
    return r;
}

} // namespace velmora::reglages
