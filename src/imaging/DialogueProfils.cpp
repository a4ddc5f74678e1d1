#include "DialogueProfils.h"

#include "dialogue/DossierHote.h"

#include <utility>

namespace velmora {

TDialogueProfils::TDialogueProfils(const TForme &table, const ParametresProfils &p)
    : TDialogue(table), p_(p) {
    using T = TTypeEvenement;
    for (const char *nom : {table.Nom, p_.Groupe, "PreVisu"})
        Lier(nom, T::SourisDeplacee, [this](const TEvenement &) { FormMouseMove(); });
    Lier("ChargProf", T::Clic, [this](const TEvenement &) { ChargProfClick(); });
    Lier("EnrgProf", T::Clic, [this](const TEvenement &) { EnrgProfClick(); });
}

void TDialogueProfils::LierGraphe(Gestionnaire enfoncee, Gestionnaire deplacee,
                                  Gestionnaire relachee) {
    Lier(p_.Graphe, TTypeEvenement::SourisEnfoncee, std::move(enfoncee));
    Lier(p_.Graphe, TTypeEvenement::SourisDeplacee, std::move(deplacee));
    Lier(p_.Graphe, TTypeEvenement::SourisRelachee, std::move(relachee));
}

void TDialogueProfils::SourisGraphe(const TEvenement &e) {
    // The readout shows the raw position, even outside the graph.
    F().EffacerZone(zoneCoord_);
    const std::string texte = TexteCoord(e.X, e.Y);
    F().DessinerTexte(GaucheCoord(F().MesurerTexte(texte).Largeur), zoneCoord_.Haut, texte);
    // The left button alone edits; the second press of a double click only reads.
    if (!GaucheSeul(e.Boutons & BGauche, e.Boutons & ~BGauche, e.Touches != 0, e.DoubleClic))
        return;
    Editeur().Active = CourbeActive();
    Editeur().Modifier(e.X, e.Y);
    MontrerGraphe();
}

void TDialogueProfils::FormMouseMove() { F().EffacerZone(zoneCoord_); }

void TDialogueProfils::MontrerGraphe() { F().MontrerImage(p_.Graphe, Editeur().Graphe()); }

void TDialogueProfils::CalculerZoneCoord() {
    const TTaille t = F().MesurerTexte(GabaritCoord);
    zoneCoord_ = ZoneCoord(t.Largeur, t.Hauteur);
}

void TDialogueProfils::ReInitCourbes() {
    // The system's colour as it stands at each opening and reset.
    Editeur().DefinirFond(F().CouleurSysteme(TCouleurSysteme::FondInfoBulle));
    Editeur().ReInit();
    MontrerGraphe();
}

void TDialogueProfils::RafraichirApercu() {
    DefinirRegle();
    TDialogue::RafraichirApercu();
}

std::vector<TProfil *> TDialogueProfils::Courbes() {
    std::vector<TProfil *> c;
    for (std::size_t i = 0; i < Editeur().NombreCourbes(); ++i) c.push_back(&Editeur().Courbe(i));
    return c;
}

void TDialogueProfils::AppliquerClick() {
    DefinirRegle();
    TDialogue::AppliquerClick();
    // The file when the curves are still what it gave; otherwise the curves
    // themselves, so that applying the settings again gives these bytes.
    const std::vector<TProfil *> c = Courbes();
    const std::vector<const TProfil *> courbes(c.begin(), c.end());
    RetenirAppliques(reglagesprofils::Retenir(p_.Champs, courbes, charge_));
}

void TDialogueProfils::MontrerCharge() {
    Editeur().Redessiner();
    MontrerGraphe();
    RafraichirApercu();
}

void TDialogueProfils::FormShow() {
    charge_.reset();
    const auto depart = PrendreDepart();
    if (!depart) return;
    // A file that fails shows its message in the error box as a failed load
    // does, the curves keeping what was read and the graph not repainted.
    const std::vector<TProfil *> courbes = Courbes();
    charge_ = reglagesprofils::LireCourbes(*depart, courbes, [this](const std::filesystem::path &c) {
        return Charger(c);
    });
    MontrerCharge();
}

TDialogueFichier TDialogueProfils::DialogueFichier() const {
    return {p_.Filtre, DossierHote(), p_.Extension};
}

void TDialogueProfils::EnrgProfClick() {
    PremierPlanSuspendu normal(F(), PremierPlan());
    const auto chemin = F().EnregistrerFichier(DialogueFichier());
    if (!chemin) return;
    Enregistrer(*chemin);
}

void TDialogueProfils::ChargProfClick() {
    PremierPlanSuspendu normal(F(), PremierPlan());
    const auto chemin = F().OuvrirFichier(DialogueFichier());
    if (!chemin) return;
    // A failure leaves the graph and the preview as they were; the curves keep
    // what was read and show it at the next edit, reset or load.
    charge_.reset();
    const std::size_t n = Charger(*chemin);
    const std::vector<TProfil *> c = Courbes();
    const std::vector<const TProfil *> courbes(c.begin(), c.end());
    charge_ = reglagesprofils::Lue(reglages::TexteChemin(*chemin), courbes, n);
    MontrerCharge();
}

} // namespace velmora
