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

void TDialogueProfils::AppliquerClick() {
    DefinirRegle();
    TDialogue::AppliquerClick();
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
    Charger(*chemin);
    Editeur().Redessiner();
    MontrerGraphe();
    RafraichirApercu();
}

} // namespace velmora
