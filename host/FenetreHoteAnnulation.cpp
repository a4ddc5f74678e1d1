// Undo and redo: full snapshots of the pixels, the history bounded by memory.
#include "FenetreHote.h"

namespace velmora::hote {

std::size_t FenetreHote::MemoireAnnulation() const {
    std::size_t total = 0;
    for (const auto *pile : {&annuler_, &refaire_})
        for (const Etape &e : *pile) total += e.pixels.size() * sizeof(TPtImg);
    return total;
}

void FenetreHote::DefinirLimiteAnnulation(std::size_t octets) {
    limiteAnnulation_ = octets;
    LimiterHistorique();
    MettreAJour();
}

void FenetreHote::LimiterHistorique() {
    std::size_t total = MemoireAnnulation();
    auto retirerPlusAncienne = [&](std::vector<Etape> &pile) {
        total -= pile.front().pixels.size() * sizeof(TPtImg);
        pile.erase(pile.begin());
    };
    // Oldest first: the bottom of the undo stack, then the farthest redo.
    while (total > limiteAnnulation_ && !annuler_.empty()) retirerPlusAncienne(annuler_);
    while (total > limiteAnnulation_ && !refaire_.empty()) retirerPlusAncienne(refaire_);
}

void FenetreHote::Annuler() {
    if (operationEnCours_ || annuler_.empty()) return;
    Etape e = std::move(annuler_.back());
    annuler_.pop_back();
    refaire_.push_back(Etape{Instantane(image_), e.libelle, etat_});
    Restaurer(image_, e.pixels);
    etat_ = e.etat;
    Rafraichir();
    MettreAJour();
}

void FenetreHote::Refaire() {
    if (operationEnCours_ || refaire_.empty()) return;
    Etape e = std::move(refaire_.back());
    refaire_.pop_back();
    annuler_.push_back(Etape{Instantane(image_), e.libelle, etat_});
    Restaurer(image_, e.pixels);
    etat_ = e.etat;
    Rafraichir();
    MettreAJour();
}

} // namespace velmora::hote
