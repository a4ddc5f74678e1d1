// Grain or noise, the rules without a toolkit (the dialog is TAjoutGrain), one
// file per piece:
//   Generateur    the library's pseudo-random generator and its jump-ahead
//   Reglages      the settings, the amplitude of the noise by brightness, one
//                 computation by either method, and the settings as data
//   Taches        the spot method (ContexteTaches: one spot's rule;
//                 TachesAvx512: its vector kernel)
//   PseudoAlea    the recursively filtered pseudo-random method, its filter in
//                 integers (PseudoAleaEntier) or doubles (PseudoAleaReel, with
//                 its vector kernel PseudoAleaAvx), fed by the ring (Anneau)
//   Arrondis      the fast roundings both methods share
//   Etiquettes    the label texts
// This header gathers what the dialog, the tests and the benchmarks use.
#pragma once

#include "Etiquettes.h"
#include "Generateur.h"
#include "PseudoAlea.h"
#include "Reglages.h"
#include "Taches.h"
