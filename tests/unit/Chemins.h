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
