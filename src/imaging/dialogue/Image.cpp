#include "Image.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace velmora {

namespace {
// A 3-byte pattern: a grey is one memset; a colour is written a few times,
// then the written part copied onto the rest, doubling each time (a few
// dozen copies for a picture rather than one store per pixel).
void RemplirPixels(TPtImg *p, std::size_t n, TPtImg c) {
    if (n == 0) return;
    if (c.Bleu == c.Vert && c.Vert == c.Rouge) {
        std::memset(p, c.Bleu, n * sizeof(TPtImg));
        return;
    }
    std::size_t fait = std::min<std::size_t>(n, 16);
    for (std::size_t i = 0; i < fait; ++i) p[i] = c;
    while (fait < n) {
        const std::size_t k = std::min(fait, n - fait);
        std::memcpy(p + fait, p, k * sizeof(TPtImg));
        fait += k;
    }
}
} // namespace

TImage::TImage(int32_t largeur, int32_t hauteur, TPtImg fond)
    : largeur_(std::max(0, largeur)), hauteur_(std::max(0, hauteur)) {
    if (largeur_ == 0 || hauteur_ == 0) largeur_ = hauteur_ = 0;
    Allouer(std::size_t(largeur_) * hauteur_);
    RemplirPixels(pixels_.get(), taille_, fond);
}

void TImage::Allouer(std::size_t n) {
    if (n != taille_) {
        pixels_.reset(n ? new TPtImg[n] : nullptr);
        taille_ = n;
    }
}

TImage::TImage(const TImage &autre) { *this = autre; }

TImage &TImage::operator=(const TImage &autre) {
    if (this == &autre) return *this;
    Allouer(autre.taille_);
    if (taille_) std::memcpy(pixels_.get(), autre.pixels_.get(), taille_ * sizeof(TPtImg));
    largeur_ = autre.largeur_;
    hauteur_ = autre.hauteur_;
    return *this;
}

TImage &TImage::operator=(TImage &&autre) noexcept {
    if (this == &autre) return *this;
    pixels_ = std::move(autre.pixels_);
    taille_ = std::exchange(autre.taille_, 0);
    largeur_ = std::exchange(autre.largeur_, 0);
    hauteur_ = std::exchange(autre.hauteur_, 0);
    return *this;
}

bool operator==(const TImage &a, const TImage &b) {
    return a.largeur_ == b.largeur_ && a.hauteur_ == b.hauteur_ &&
           (a.taille_ == 0 || std::memcmp(a.pixels_.get(), b.pixels_.get(), a.taille_ * sizeof(TPtImg)) == 0);
}

void TImage::Point(int32_t x, int32_t y, TPtImg c) {
    if (Dedans(x, y)) Ligne(y)[x] = c;
}

void TImage::Remplir(TPtImg c) { RemplirPixels(pixels_.get(), taille_, c); }

void TImage::RectanglePlein(TRect r, TPtImg c) {
    const int32_t g = std::max(0, r.Gauche), h = std::max(0, r.Haut);
    const int32_t d = std::min<int64_t>(largeur_, int64_t(r.Gauche) + r.Largeur);
    const int32_t b = std::min<int64_t>(hauteur_, int64_t(r.Haut) + r.Hauteur);
    for (int32_t y = h; y < b; ++y) RemplirPixels(Ligne(y) + g, std::size_t(std::max(g, d) - g), c);
}

void TImage::Cadre(TRect r, TPtImg c) {
    if (r.Largeur <= 0 || r.Hauteur <= 0) return;
    const int32_t d = r.Gauche + r.Largeur - 1, b = r.Haut + r.Hauteur - 1;
    RectanglePlein({r.Gauche, r.Haut, r.Largeur, 1}, c);
    RectanglePlein({r.Gauche, b, r.Largeur, 1}, c);
    RectanglePlein({r.Gauche, r.Haut, 1, r.Hauteur}, c);
    RectanglePlein({d, r.Haut, 1, r.Hauteur}, c);
}

void TImage::Ligne(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TPtImg c) {
    // Bresenham, each pixel found from its step along the major axis, so that
    // only the steps inside the picture are visited: an end point may lie
    // billions of pixels away (a curve row read from a file). Step k of n sits
    // at k along the major axis and Round(k * minor / n), halves away from the
    // start, along the other: the pixels of the usual error-term loop.
    const uint64_t a = uint64_t(std::llabs(int64_t(x2) - x1));
    const uint64_t b = uint64_t(std::llabs(int64_t(y2) - y1));
    const bool xMajeur = a >= b;
    const uint64_t n = xMajeur ? a : b, mineur = xMajeur ? b : a;  // n pixels, end left out
    if (n == 0) return;
    const int64_t sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    const int64_t debut = xMajeur ? x1 : y1, s = xMajeur ? sx : sy;
    const int64_t etendue = xMajeur ? largeur_ : hauteur_;
    int64_t kMin = s > 0 ? -debut : debut - etendue + 1;
    int64_t kMax = s > 0 ? etendue - 1 - debut : debut;
    kMin = std::max<int64_t>(kMin, 0);
    kMax = std::min<int64_t>(kMax, int64_t(n - 1));
    if (kMin > kMax) return;
    // k * mineur = q * n + r, carried from step to step (mineur <= n).
    const uint64_t p0 = uint64_t(kMin) * mineur;  // < 2^64: k < n < 2^32, mineur < 2^32
    uint64_t q = p0 / n, r = p0 % n;
    for (int64_t k = kMin; k <= kMax; ++k, r += mineur) {
        if (r >= n) r -= n, ++q;
        const int64_t m = int64_t(q + (2 * r >= n ? 1 : 0));
        const int64_t x = xMajeur ? x1 + sx * k : x1 + sx * m;
        const int64_t y = xMajeur ? y1 + sy * m : y1 + sy * k;
        if (x >= 0 && y >= 0 && x < largeur_ && y < hauteur_) Ligne(int32_t(y))[x] = c;
    }
}

void TImage::Polyligne(const int32_t *xs, const int32_t *ys, std::size_t n, TPtImg c) {
    for (std::size_t i = 1; i < n; ++i) Ligne(xs[i - 1], ys[i - 1], xs[i], ys[i], c);
}

void TImage::EllipseXor(int32_t g, int32_t h, int32_t d, int32_t b) {
    // The outline inside the pixels g..d-1, h..b-1; each point collected once so
    // that a second drawing inverts exactly what the first did.
    int64_t x0 = g, y0 = h, x1 = int64_t(d) - 1, y1 = int64_t(b) - 1;
    if (x1 < x0 || y1 < y0) return;
    std::vector<std::pair<int64_t, int64_t>> points;
    auto pt = [&](int64_t x, int64_t y) { points.emplace_back(y, x); };
    int64_t a = x1 - x0, bb = y1 - y0, b1 = bb & 1;
    int64_t ex = 4 * (1 - a) * bb * bb, ey = 4 * (b1 + 1) * a * a;
    int64_t err = ex + ey + b1 * a * a;
    y0 += (bb + 1) / 2;
    y1 = y0 - b1;
    const int64_t a8 = 8 * a * a, b8 = 8 * bb * bb;
    do {
        pt(x1, y0); pt(x0, y0); pt(x0, y1); pt(x1, y1);
        const int64_t e2 = 2 * err;
        if (e2 <= ey) { ++y0; --y1; err += ey += a8; }
        if (e2 >= ex || 2 * err > ey) { ++x0; --x1; err += ex += b8; }
    } while (x0 <= x1);
    while (y0 - y1 < bb) {  // flat ellipses: finish the tips
        pt(x0 - 1, y0); pt(x1 + 1, y0++);
        pt(x0 - 1, y1); pt(x1 + 1, y1--);
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    for (auto [y, x] : points)
        if (x >= 0 && y >= 0 && x < largeur_ && y < hauteur_) {
            TPtImg &p = Ligne(int32_t(y))[x];
            p = {uint8_t(~p.Bleu), uint8_t(~p.Vert), uint8_t(~p.Rouge)};
        }
}

} // namespace velmora
