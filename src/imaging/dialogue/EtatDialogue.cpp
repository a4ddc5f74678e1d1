#include "EtatDialogue.h"

#include "imaging/BouclePixels.h"
#include "imaging/GrandesPages.h"
#include "Hote.h"

#include <algorithm>
#include <cstring>

namespace velmora {

void EtatDialogue::PrendreImage(TPtImg *pixels) {
    ImgHote = TPtsImg::Referencer(pixels);
    Copie.Vider();
    TPtsImg copie = TPtsImg::Creer(ImgHote.size());
    const std::size_t n = std::size_t(std::max(0, copie.size()));
    // Fresh memory: its first touch is the copy's, large pages spare most of it,
    // and split across the cores the clearing of those pages is too.
    GrandesPages(copie.data(), n * sizeof(TPtImg));
    const TPtImg *src = ImgHote.data();
    TPtImg *dst = copie.data();
    // An image without pixels has no blocks to copy from or to (both null).
    if (n > 0)
        PourTranches(n, [&](std::size_t d, std::size_t f) {
            std::memcpy(dst + d, src + d, (f - d) * sizeof(TPtImg));
        });
    Copie = std::move(copie);
}

void EtatDialogue::ConstruireApercu() {
    Geometrie = CalculerGeometrie(Largeur, Hauteur);
    Apercu.Vider();
    Apercu = velmora::ConstruireApercu(Copie, Largeur, Hauteur, Geometrie);
    // A copy that does not match the size gives no thumbnail at all.
    if (Apercu.empty()) Geometrie.Largeur = Geometrie.Hauteur = 0;
}

void EtatDialogue::CopierApercu(const LigneBitmap &ligne) const {
    const int32_t tw = Geometrie.Largeur;
    if (Apercu.size() < int64_t(tw) * Geometrie.Hauteur) return;
    for (int32_t y = 0; y < Geometrie.Hauteur; ++y)
        std::memcpy(ligne(y), Apercu.data() + std::size_t(y) * tw, std::size_t(tw) * 3);
}

void EtatDialogue::RafraichirApercu(const RegleBloc &regle, const LigneBitmap &ligne) const {
    const int32_t tw = Geometrie.Largeur;
    if (Apercu.size() < int64_t(tw) * Geometrie.Hauteur) return;
    for (int32_t y = 0; y < Geometrie.Hauteur; ++y)
        regle.Traiter(Apercu.data() + std::size_t(y) * tw, ligne(y), std::size_t(tw));
}

void EtatDialogue::Appliquer(const RegleBloc &regle) const {
    const std::size_t n = std::size_t(std::min(Copie.size(), ImgHote.size()));
    const TPtImg *src = Copie.data();
    TPtImg *dst = ImgHote.data();
    PourTranches(n, [&](std::size_t d, std::size_t f) { regle.Traiter(src + d, dst + d, f - d); });
}

void EtatDialogue::Fermer() {
    Notifier(Largeur, Hauteur, false, true);
    Vider();
}

void EtatDialogue::Vider() {
    Copie.Vider();
    Apercu.Vider();
}

std::string TexteErreur(std::string message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
    return message;
}

} // namespace velmora
