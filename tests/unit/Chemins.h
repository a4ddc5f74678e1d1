// Runs a check on each path the pixel loops have on this processor: the
// 64-byte vector paths, the 32-byte ones (as on a processor without the former)
// and the plain paths, so all are held to the rule on any machine that has them.
#pragma once

#include "imaging/Avx2.h"
#include "imaging/Vbmi.h"

#include <gtest/gtest.h>

template <class F> void SurChaqueChemin(F verifier) {
    struct Chemin {
        const char *nom;
        bool avx512, avx2;
    };
    for (const Chemin c : {Chemin{"64-byte vector paths", true, true},
                           Chemin{"32-byte vector paths", false, true},
                           Chemin{"plain paths", false, false}}) {
        SCOPED_TRACE(c.nom);
        velmora::vbmi::Permis = c.avx512;
        velmora::avx2::Permis = c.avx2;
        verifier();
    }
    velmora::vbmi::Permis = true;
    velmora::avx2::Permis = true;
}

#include <velmora/plugin.h>

#include <cstddef>
#include <random>
#include <vector>

// A block rule on every length up to a few blocks (each path's tail and the
// next path's share), out of place and in place (src = dst, which a group
// computed exactly must not read back overwritten), on each path, against the
// rule pixel by pixel.
template <class Regle, class Reference>
void ToutesLesLongueurs(const Regle &regle, Reference reference) {
    std::mt19937 alea(7);
    std::vector<TPtImg> src(300);
    for (TPtImg &p : src) p = {uint8_t(alea()), uint8_t(alea()), uint8_t(alea())};
    SurChaqueChemin([&] {
        for (std::size_t n : {1, 15, 16, 31, 32, 33, 63, 64, 65, 100, 127, 129, 200, 300})
            for (bool surPlace : {false, true}) {
                std::vector<TPtImg> dst(src.begin(), src.begin() + std::ptrdiff_t(n));
                regle.Traiter(surPlace ? dst.data() : src.data(), dst.data(), n);
                for (std::size_t i = 0; i < n; ++i) {
                    const TPtImg a = reference(src[i]);
                    ASSERT_TRUE(a.Bleu == dst[i].Bleu && a.Vert == dst[i].Vert && a.Rouge == dst[i].Rouge)
                        << "length " << n << (surPlace ? ", in place" : "") << ", pixel " << i;
                }
            }
    });
}
