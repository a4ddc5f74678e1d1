#include "ReglagesProfils.h"

#include "ErreursFichier.h"

namespace velmora::reglagesprofils {

std::optional<Charge> LireCourbes(const reglages::Enregistrement &r, std::span<TProfil *const> courbes,
                                  const Chargeur &charger) {
    const reglages::Valeur &fichier = r[NomProfil], &liste = r[NomCourbes];
    if (!fichier.Vide && !liste.Vide)
        throw reglages::ErreurReglage(std::string("« ") + NomProfil + " » et « " + NomCourbes +
                                      " » ne se donnent pas ensemble : un fichier ou des courbes");
    if (!liste.Vide) {
        if (liste.Liste.size() != courbes.size() * TProfil::Entrees)
            throw reglages::ErreurReglage(std::string("« ") + NomCourbes + " » : " +
                                          std::to_string(courbes.size() * TProfil::Entrees) +
                                          " entiers attendus");
        std::size_t k = 0;
        for (TProfil *p : courbes)
            for (int32_t &e : p->Valeurs) e = liste.Liste[k++];
        return std::nullopt;
    }
    if (fichier.Vide) return std::nullopt;
    std::size_t n;
    try {
        n = charger(reglages::Chemin(fichier.Texte));
    } catch (const ErreurFichier &e) {
        throw reglages::ErreurReglage(std::string(NomProfil) + " « " + fichier.Texte + " » : " + e.what());
    }
    std::vector<const TProfil *> lues(courbes.begin(), courbes.end());
    return Lue(fichier.Texte, lues, n);
}

Charge Lue(std::string fichier, std::span<const TProfil *const> courbes, std::size_t n) {
    Charge c{std::move(fichier), {}};
    for (std::size_t i = 0; i < courbes.size(); ++i)
        c.Courbes.push_back(i < n ? *courbes[i] : TProfil::Identite());
    return c;
}

reglages::Enregistrement Retenir(std::span<const reglages::Champ> champs,
                                 std::span<const TProfil *const> courbes,
                                 const std::optional<Charge> &charge) {
    reglages::Enregistrement r(champs);
    bool commeFichier = charge.has_value(), identite = true;
    for (std::size_t i = 0; i < courbes.size(); ++i) {
        commeFichier = commeFichier && *courbes[i] == charge->Courbes[i];
        identite = identite && *courbes[i] == TProfil::Identite();
    }
    // A path the text form cannot carry whole (a separator, blanks at its ends)
    // goes inline too.
    if (commeFichier) {
        const std::string &f = charge->Fichier;
        commeFichier = !f.empty() && f.find_first_of(";\r\n") == std::string::npos &&
                       f.front() != ' ' && f.front() != '\t' && f.back() != ' ' && f.back() != '\t';
    }
    if (commeFichier) {
        reglages::Valeur &v = r[NomProfil];
        v.Texte = charge->Fichier;
        v.Vide = false;
    } else if (!identite) {
        reglages::Valeur &v = r[NomCourbes];
        for (const TProfil *p : courbes) v.Liste.insert(v.Liste.end(), p->Valeurs.begin(), p->Valeurs.end());
        v.Vide = false;
    }
    return r;
}

} // namespace velmora::reglagesprofils
