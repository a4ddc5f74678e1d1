// Runs a check on the 16-pixel vector paths (where the processor has them)
// and again on the plain paths, so both are held to the rule on any machine
// that has the vectors.
#pragma once

#include "imaging/Vbmi.h"

#include <gtest/gtest.h>

template <class F> void SurLesDeuxChemins(F verifier) {
    for (bool vecteurs : {true, false}) {
        SCOPED_TRACE(vecteurs ? "vector paths" : "plain paths");
        velmora::vbmi::Permis = vecteurs;
        verifier();
        velmora::vbmi::Permis = true;
    }
}
