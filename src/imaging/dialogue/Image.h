// A picture a dialog draws itself (thumbnail, picker, curve graph, colour
// strip): 3-byte pixels Bleu, Vert, Rouge, rows top to bottom, no padding.
// A back end only shows it, so every toolkit shows the same bytes.
#pragma once

#include <velmora/plugin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace velmora {

struct TRect {
    int32_t Gauche = 0, Haut = 0, Largeur = 0, Hauteur = 0;
    friend bool operator==(const TRect &, const TRect &) = default;
};

class TImage {
public:
    TImage() = default;
    // Negative sizes count as 0. Throws std::bad_alloc.
    TImage(int32_t largeur, int32_t hauteur, TPtImg fond = {0, 0, 0});
    // Copies are one memcpy; an assignment between pictures of the same size
    // keeps the buffer.
    TImage(const TImage &autre);
    TImage &operator=(const TImage &autre);
    TImage(TImage &&autre) noexcept { *this = std::move(autre); }
    TImage &operator=(TImage &&autre) noexcept;

    int32_t Largeur() const { return largeur_; }
    int32_t Hauteur() const { return hauteur_; }
    bool Vide() const { return largeur_ == 0 || hauteur_ == 0; }
    TPtImg *Ligne(int32_t y) { return pixels_.get() + std::size_t(y) * largeur_; }
    const TPtImg *Ligne(int32_t y) const { return pixels_.get() + std::size_t(y) * largeur_; }
    const TPtImg *Donnees() const { return pixels_.get(); }
    bool Dedans(int32_t x, int32_t y) const {
        return x >= 0 && y >= 0 && x < largeur_ && y < hauteur_;
    }
    TPtImg Pixel(int32_t x, int32_t y) const { return Ligne(y)[x]; }

    // Drawing; every point outside the picture is clipped.
    void Point(int32_t x, int32_t y, TPtImg c);
    void Remplir(TPtImg c);
    void RectanglePlein(TRect r, TPtImg c);
    // The 1-pixel outline of r (its last column and row are r's own).
    void Cadre(TRect r, TPtImg c);
    // A 1-pixel line from (x1, y1) to (x2, y2), the end point left out.
    void Ligne(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TPtImg c);
    // Lines through the points in turn, each leaving out its end point, the
    // last point drawn by none (as a polyline of the usual drawing services).
    void Polyligne(const int32_t *xs, const int32_t *ys, std::size_t n, TPtImg c);
    // The outline of the ellipse inscribed in the box (g, h)-(d, b), right and
    // bottom excluded, every point inverted: drawing it twice restores the picture.
    void EllipseXor(int32_t g, int32_t h, int32_t d, int32_t b);

    friend bool operator==(const TImage &a, const TImage &b);

private:
    int32_t largeur_ = 0, hauteur_ = 0;
    // Left unset when made: every constructor fills them at once, with a
    // pattern copy rather than a store per pixel.
    std::unique_ptr<TPtImg[]> pixels_;
    std::size_t taille_ = 0;
    void Allouer(std::size_t n);
};

} // namespace velmora
