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

void TAjoutGrain::Defauts() {
    // In this order, each change handler after its slider.
    const std::pair<const char *, void (TAjoutGrain::*)()> curseurs[] = {
        {"Ord1", &TAjoutGrain::Ord1Change}, {"Ord2", &TAjoutGrain::Ord2Change},
        {"DstPt", &TAjoutGrain::DstPtChange}, {"NivBr", &TAjoutGrain::NivBrChange},
        {"TxCl", &TAjoutGrain::TxClChange}};
    for (const auto &[nom, change] : curseurs) {
        F().DefinirPosition(nom, Table().Controle(nom)->Position);
        (this->*change)();
    }
}

void TAjoutGrain::FormShow() {
    Defauts();
    // Selecting the spots while the pseudo-random method was left selected is a
    // change of method: it computes (at level 0, the image stays as it is).
    F().DefinirCoche("PseudoAlea", false);
    F().DefinirCoche("TacheAlea", true);
    TacheAleaClick();
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
            if (taches_) {
                grainoubr::MethodeTaches(e.Copie.data(), e.ImgHote.data(), e.Largeur, e.Hauteur,
                                         reglages_, &tampons_, true);
            } else {
                grainoubr::MethodePseudoAlea(e.Copie.data(), e.ImgHote.data(), n, e.Largeur,
                                             reglages_);
            }
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
    ImageModifiee = false;
    Notifier(Etat.Largeur, Etat.Hauteur, false, false);
}

void TAjoutGrain::AppliquerClick() {
    // The last computation stands; nothing is recomputed.
    ImageModifiee = true;
}

void TAjoutGrain::FormClose() {
    Etat.Vider();
    tampons_ = {};  // kept only while the dialog is open
    Notifier(Etat.Largeur, Etat.Hauteur, false, true);
}

} // namespace velmora
