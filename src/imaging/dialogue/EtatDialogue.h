// What every dialog holds besides its controls, and the loops that run a
// dialog's per-pixel rule: over the thumbnail for the preview, over the full
// working copy for "Appliquer". One rule object serves both, so the preview
// and the result cannot drift apart. Toolkit-free.
#pragma once

#include "Apercu.h"
#include <velmora/memoire.h>

#include <velmora/plugin.h>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace velmora {

// A dialog's per-pixel rule, applied to a run of n pixels (src and dst may be
// the same run). Must depend on nothing but the pixel and the settings, and be
// callable from several threads at once (the full-size pass is split across cores).
class RegleBloc {
public:
    virtual ~RegleBloc() = default;
    virtual void Traiter(const TPtImg *src, TPtImg *dst, std::size_t n) const = 0;
};

// A rule given pixel by pixel: TPtImg f(TPtImg) (any callable, held by value).
template <class F> class RegleParPixel final : public RegleBloc {
public:
    explicit RegleParPixel(F f) : f_(std::move(f)) {}
    void Traiter(const TPtImg *src, TPtImg *dst, std::size_t n) const override {
        for (std::size_t i = 0; i < n; ++i) dst[i] = f_(src[i]);
    }

private:
    F f_;
};

// Gives the address of bitmap row y (at least tw pixels of 3 bytes, B, G, R).
using LigneBitmap = std::function<TPtImg *(int32_t y)>;

class EtatDialogue {
public:
    int32_t Largeur = 0, Hauteur = 0;  // image size of the last opening
    TPtsImg ImgHote;   // the host's array (one counted reference, kept until the next opening)
    TPtsImg Copie;     // the pixels as they were at the opening
    TPtsImg Apercu;    // unprocessed thumbnail pixels, Geometrie.Largeur x Geometrie.Hauteur
    GeometrieApercu Geometrie;

    // Lancer's part: the size of the image.
    void DefinirTaille(const TDimImg &dim) { Largeur = dim.Largeur; Hauteur = dim.Hauteur; }

    // Preparer steps 1-2: ImgHote := a new reference on pixels (the previous one is
    // released), Copie := a copy of every pixel. Throws std::bad_alloc.
    void PrendreImage(TPtImg *pixels);

    // Geometry and Apercu from Copie; the caller then copies the rows into its bitmap
    // (CopierApercu) and places its image control at Geometrie.Gauche/Haut.
    void ConstruireApercu();

    // Apercu rows copied unchanged into the bitmap (the thumbnail before any setting).
    void CopierApercu(const LigneBitmap &ligne) const;

    // Apercu -> bitmap rows through the rule, on the calling thread.
    void RafraichirApercu(const RegleBloc &regle, const LigneBitmap &ligne) const;

    // Copie -> ImgHote through the rule, every pixel, split across the cores.
    // Processes min(Copie, ImgHote) elements.
    void Appliquer(const RegleBloc &regle) const;

    // FormClose: host callback (Largeur, Hauteur, 0, 0, 0, 0, ImageModifiee, Fin = 1),
    // then Copie and Apercu emptied. ImgHote keeps its reference.
    void Fermer();

    // The working arrays emptied (Copie and Apercu); ImgHote kept.
    void Vider();
};

// The text of an error message box: the message, plus a final period when its last
// character sorts above '.' (UTF-8 text: a multi-byte last character counts as above).
std::string TexteErreur(std::string message);

} // namespace velmora
