// What every benchmark here shares: a photo-like test image and the
// measurement of an operation against a memcpy of the same buffer, run back to
// back in each iteration so that both see the same machine.
//   copie_ms, op_ms   mean times of the copy and of the operation;
//   x_copie           median of the per-iteration ratios operation / copy
//                     (a burst of other work on the machine moves few of them);
//   x_copie_moy       ratio of the mean times;  x_copie_min  of the fastest.
#pragma once

#include <velmora/memoire.h>
#include <velmora/plugin.h>
#include "imaging/Avx2.h"
#include "imaging/Vbmi.h"
#include "imaging/dialogue/EtatDialogue.h"

#include <benchmark/benchmark.h>

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace banc {

// Smooth gradients and soft shapes plus a little grain, from a fixed seed.
inline std::vector<TPtImg> ImagePhoto(int32_t largeur, int32_t hauteur) {
    std::vector<TPtImg> px(std::size_t(largeur) * hauteur);
    uint32_t graine = 2463534242u;
    for (int y = 0; y < hauteur; ++y)
        for (int x = 0; x < largeur; ++x) {
            graine ^= graine << 13;
            graine ^= graine >> 17;
            graine ^= graine << 5;
            const double u = double(x) / largeur, v = double(y) / hauteur;
            const double forme = 40 * std::sin(7 * u + 3 * v) * std::cos(5 * v - 2 * u);
            const int grain = int(graine % 13) - 6;
            auto canal = [&](double base) {
                const int c = int(base + forme) + grain;
                return uint8_t(c < 0 ? 0 : c > 255 ? 255 : c);
            };
            px[std::size_t(y) * largeur + x] = {canal(60 + 90 * v), canal(70 + 100 * u * v),
                                                canal(90 + 80 * u)};
        }
    return px;
}

// The sample photograph, scaled to largeur x hauteur with a little noise (a
// camera's grain, from a fixed seed), made once per run. The synthetic image
// when the sample cannot be read.
inline std::vector<TPtImg> PhotoReelle(int32_t largeur, int32_t hauteur) {
    QImage photo(QStringLiteral(VELMORA_ECHANTILLONS "/coffee.png"));
    if (photo.isNull()) return ImagePhoto(largeur, hauteur);
    photo = photo.convertToFormat(QImage::Format_BGR888)
                .scaled(largeur, hauteur, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    std::vector<TPtImg> px(std::size_t(largeur) * hauteur);
    uint32_t graine = 88172645u;
    for (int y = 0; y < hauteur; ++y) {
        const uint8_t *ligne = photo.constScanLine(y);
        for (int x = 0; x < largeur; ++x) {
            uint8_t c[3];
            for (int k = 0; k < 3; ++k) {
                graine ^= graine << 13;
                graine ^= graine >> 17;
                graine ^= graine << 5;
                const int v = ligne[3 * x + k] + int(graine % 9) - 4;
                c[k] = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
            }
            px[std::size_t(y) * largeur + x] = {c[0], c[1], c[2]};
        }
    }
    return px;
}

// A dialog's state as an opening leaves it, on the sample photograph scaled to
// l x h: the host's array, the working copy and the thumbnail.
struct Ouverture {
    velmora::EtatDialogue e;
    velmora::TPtsImg hote;
    Ouverture(int32_t l, int32_t h) : hote(velmora::TPtsImg::Creer(l * h)) {
        const auto photo = PhotoReelle(l, h);
        std::memcpy(hote.data(), photo.data(), photo.size() * sizeof(TPtImg));
        e.DefinirTaille({l, h});
        e.PrendreImage(hote.data());
        e.ConstruireApercu();
    }
};

// Each iteration: memcpy n pixels from src to dst (the reference), then op().
template <class Op>
void MesurerContreCopie(benchmark::State &etat, TPtImg *dst, const TPtImg *src, std::size_t n,
                        Op op) {
    const std::size_t octets = n * sizeof(TPtImg);
    double totalCopie = 0, totalOp = 0, minCopie = 1e9, minOp = 1e9;
    std::vector<double> rapports;
    using Horloge = std::chrono::steady_clock;
    for (auto _ : etat) {
        const auto t0 = Horloge::now();
        std::memcpy(dst, src, octets);
        benchmark::ClobberMemory();
        const auto t1 = Horloge::now();
        op();
        benchmark::ClobberMemory();
        const auto t2 = Horloge::now();
        const double copie = std::chrono::duration<double>(t1 - t0).count();
        const double duree = std::chrono::duration<double>(t2 - t1).count();
        totalCopie += copie;
        totalOp += duree;
        minCopie = std::min(minCopie, copie);
        minOp = std::min(minOp, duree);
        rapports.push_back(duree / copie);
        etat.SetIterationTime(duree);
    }
    const double iterations = double(etat.iterations());
    etat.counters["copie_ms"] = 1000 * totalCopie / iterations;
    etat.counters["op_ms"] = 1000 * totalOp / iterations;
    std::sort(rapports.begin(), rapports.end());
    etat.counters["x_copie"] = rapports.empty() ? 0 : rapports[rapports.size() / 2];
    etat.counters["x_copie_moy"] = totalOp / totalCopie;
    etat.counters["x_copie_min"] = minOp / minCopie;
}

// The loops' path for one benchmark, from its argument "chemin": 0 the 64-byte
// vectors, 1 the 32-byte ones (a processor without the former), 2 neither.
struct Chemin {
    explicit Chemin(int64_t chemin) {
        velmora::vbmi::Permis = chemin == 0;
        velmora::avx2::Permis = chemin <= 1;
    }
    ~Chemin() {
        velmora::vbmi::Permis = true;
        velmora::avx2::Permis = true;
    }
};

} // namespace banc
