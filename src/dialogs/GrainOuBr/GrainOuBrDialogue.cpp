#include "GrainOuBrDialogue.h"

#include "imaging/Curseur.h"
#include "imaging/dialogue/Hote.h"

#include <algorithm>
#include <utility>

namespace velmora {

TAjoutGrain::TAjoutGrain() : TDialogue(FormeAjoutGrain) {
    using T = TTypeEvenement;
    Lier("NivBr", T::Change, [this](const TEvenement &) { NivBrChange(); });
    Lier("TxCl", T::Change, [this](const TEvenement &) { TxClChange(); });
    Lier("DstPt", T::Change, [this](const TEvenement &) { DstPtChange(); });
    Lier("Ord1", T::Change, [this](const TEvenement &) { Ord1Change(); });
    Lier("Ord2", T::Change, [this](const TEvenement &) { Ord2Change(); });
    // A computation only on release: dragging or the keyboard change the label only.
    for (const char *curseur : {"NivBr", "TxCl", "DstPt", "Ord1", "Ord2"})
        Lier(curseur, T::Relache, [this](const TEvenement &) { NivBrMouseUp(); });
    for (const char *methode : {"TacheAlea", "PseudoAlea"})
        Lier(methode, T::Clic, [this](const TEvenement &) { TacheAleaClick(); });
    Lier("BitBtn1", T::Clic, [this](const TEvenement &) { BitBtn1Click(); });
}

void TAjoutGrain::NivBrChange() {
    const int32_t p = F().Position("NivBr");
    reglages_.DefinirNiveau(p);
    F().DefinirTexte("NBr", grainoubr::TexteNBr(p));
}

void TAjoutGrain::TxClChange() {
    const int32_t p = F().Position("TxCl");
    reglages_.DefinirTxCl(p);
    F().DefinirTexte("BC", grainoubr::TexteBC(p));
}

void TAjoutGrain::DstPtChange() {
    const int32_t p = F().Position("DstPt");
    reglages_.DefinirDstPt(p);
    F().DefinirTexte("DPt", grainoubr::TexteDPt(p));
}

void TAjoutGrain::Ord1Change() {
    const int32_t p = F().Position("Ord1");
    reglages_.DefinirOrd1(p);
    F().DefinirTexte("Km1", grainoubr::TexteKm(p, F().SeparateurDecimal()));
}

void TAjoutGrain::Ord2Change() {
    const int32_t p = F().Position("Ord2");
    reglages_.DefinirOrd2(p);
    F().DefinirTexte("Km2", grainoubr::TexteKm(p, F().SeparateurDecimal()));
}

namespace {
// Each slider, its setting and its change handler, in FormShow's order.
struct Curseur {
    const char *Nom, *Reglage;
    void (TAjoutGrain::*Change)();
};
constexpr Curseur Curseurs[] = {{"Ord1", "ordre1", &TAjoutGrain::Ord1Change},
                                {"Ord2", "ordre2", &TAjoutGrain::Ord2Change},
                                {"DstPt", "densite", &TAjoutGrain::DstPtChange},
                                {"NivBr", "niveau", &TAjoutGrain::NivBrChange},
                                {"TxCl", "teinte", &TAjoutGrain::TxClChange}};
} // namespace

void TAjoutGrain::Defauts(const reglages::Enregistrement *depart) {
    // In this order, each change handler after its slider.
    for (const Curseur &c : Curseurs) {
        F().DefinirPosition(c.Nom, depart ? int32_t(depart->Entier(c.Reglage))
                                          : Table().Controle(c.Nom)->Position);
        (this->*c.Change)();
    }
}

reglages::Enregistrement TAjoutGrain::Courants() const {
    reglages::Enregistrement r(grainoubr::Champs);
    r["methode"].Entier = taches_ ? 0 : 1;
    for (const Curseur &c : Curseurs) r[c.Reglage].Entier = F().Position(c.Nom);
    r["graine"].Entier = grainoubr::GraineAlea;
    return r;
}

void TAjoutGrain::FormShow() {
    calcule_.reset();
    const auto depart = PrendreDepart();
    if (!depart) {
        Defauts();
        // Selecting the spots while the pseudo-random method was left selected is a
        // change of method: it computes (at level 0, the image stays as it is).
        F().DefinirCoche("PseudoAlea", false);
        F().DefinirCoche("TacheAlea", true);
        TacheAleaClick();
        return;
    }
    // Opened on settings: their method selected (no click), the generator at
    // their seed, and, the host's view being this dialog's preview, their
    // grain shown at once. At level 0 there is none to show: the generator
    // stays at the seed for the first computation asked for.
    Defauts(&*depart);
    taches_ = grainoubr::Taches(*depart);
    F().DefinirCoche("TacheAlea", taches_);
    F().DefinirCoche("PseudoAlea", !taches_);
    if (depart->Entier("graine") != grainoubr::SansGraine)
        grainoubr::GraineAlea = uint32_t(depart->Entier("graine"));
    if (reglages_.Niveau > 0) CalculeBruit();
}

void TAjoutGrain::NivBrMouseUp() { CalculeBruit(); }

void TAjoutGrain::TacheAleaClick() {
    // A click on the method already selected changes nothing.
    const bool taches = F().Coche("TacheAlea");
    if (taches == taches_) return;
    taches_ = taches;
    CalculeBruit();
}

void TAjoutGrain::CalculeBruit() {
    {
        CurseurAttente sablier;
        const EtatDialogue &e = Etat;
        const std::size_t n = std::size_t(std::max(0, e.Copie.size()));
        // Each computation starts from the unprocessed image, so that a new one
        // replaces the previous noise instead of adding to it: the spots put it
        // back where they leave the pixels, in the same pass.
        if (n == std::size_t(int64_t(e.Largeur) * e.Hauteur) && e.ImgHote.size() >= e.Copie.size()) {
            reglages::Enregistrement r = Courants();  // the state before the draws
            grainoubr::AjouterBruit(taches_, e.Copie.data(), e.ImgHote.data(), e.Largeur,
                                    e.Hauteur, reglages_, &tampons_);
            calcule_ = std::move(r);
        }
    }
    ImageModifiee = true;
    Notifier(Etat.Largeur, Etat.Hauteur, false, false);
}

void TAjoutGrain::BitBtn1Click() {
    // The defaults and the unprocessed image back, and the host told to redraw.
    Defauts();
    F().DefinirCoche("PseudoAlea", false);
    F().DefinirCoche("TacheAlea", true);
    taches_ = true;
    const std::size_t n = std::size_t(std::max(0, std::min(Etat.Copie.size(), Etat.ImgHote.size())));
    std::copy_n(Etat.Copie.data(), n, Etat.ImgHote.data());
    calcule_.reset();
    ImageModifiee = false;
    Notifier(Etat.Largeur, Etat.Hauteur, false, false);
}

void TAjoutGrain::AppliquerClick() {
    // The last computation stands; nothing is recomputed.
    ImageModifiee = true;
    // What stands is the last computation's grain, from the state its draws
    // started at; with none, the unprocessed image, which level 0 gives.
    if (calcule_) {
        RetenirAppliques(*calcule_);
    } else {
        reglages::Enregistrement r = Courants();
        r["niveau"].Entier = 0;
        RetenirAppliques(std::move(r));
    }
}

void TAjoutGrain::FormClose() {
    Etat.Vider();
    tampons_ = {};  // kept only while the dialog is open
    Notifier(Etat.Largeur, Etat.Hauteur, false, true);
}

} // namespace velmora
