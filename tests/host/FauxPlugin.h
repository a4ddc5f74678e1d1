// A plug-in played inside the test process, to drive the host through the
// notices the real one sends only from its dialogs: intermediate results,
// cancelled results, zone requests, garbage in the upper bytes of the flag.
#pragma once

#include "ChargeurPlugin.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::hote::essai {

struct FauxPlugin {
    // What XchgData does, by operation number.
    enum Operation : uint32_t {
        EcritPuisAnnule = 1,   // writes 0x55, ends with the flag's low byte 0
        EcritEnDeuxTemps = 2,  // writes 1, notice (1, not ended), writes 2, ends with 1
        Muette = 3,            // touches nothing, calls nothing
        ResteOuverte = 4,      // asks for a zone and returns, as the colour balance
        GardeReference = 5,    // keeps a reference to the pixels, ends with 1
    };

    static inline std::vector<std::string> appels;
    static inline const char *titre = "Faux";
    static inline const char *categorie = "Cat\xE9gorie";
    static inline int32_t nbMenu = 5;
    static inline TRetour code = nullptr;
    static inline void *contexte = nullptr;
    static inline TPtImg *gardee = nullptr;

    static void Reinitialiser() {
        appels.clear();
        titre = "Faux";
        categorie = "Cat\xE9gorie";
        nbMenu = 5;
        code = nullptr;
        contexte = nullptr;
        Lacher();
    }
    static void Lacher() {
        tableau::Relacher(gardee);
        gardee = nullptr;
    }

    static void VELMORA_APPEL AdrRetour(void *c, void *ctx) {
        appels.push_back("AdrRetour");
        code = reinterpret_cast<TRetour>(c);
        contexte = ctx;
    }
    static const char *VELMORA_APPEL PrmDLL(int32_t *majeur, int32_t *mineur, const char **cat) {
        appels.push_back("PrmDLL");
        *majeur = 7;
        *mineur = 3;
        *cat = categorie;
        return titre;
    }
    static const char *VELMORA_APPEL AddMenu(int32_t *index) {
        appels.push_back("AddMenu " + std::to_string(*index));
        if (*index == 0) {
            *index = nbMenu;
            return categorie;
        }
        static const char *const captions[] = {"\x80 euro", "\x9C" "uvre", "Muette", "Zone",
                                               "Garde"};
        return *index >= 1 && *index <= 5 ? captions[*index - 1] : "";
    }
    static void Rappeler(int32_t l, int32_t h, int32_t zone, int32_t modif, int32_t fin) {
        if (code) code(contexte, l, h, 0, 0, zone, 0, modif, fin);
    }
    static void VELMORA_APPEL XchgData(uint32_t op, uint32_t, uint32_t, uint32_t, uint32_t,
                                       int32_t l, int32_t h, uint32_t, uint32_t, TPtImg *p,
                                       TPtImg *, uint32_t, uint32_t) {
        appels.push_back("XchgData " + std::to_string(op));
        const int32_t n = tableau::Compte(p);
        auto remplir = [&](uint8_t v) {
            for (int32_t i = 0; i < n; ++i) p[i] = {v, v, v};
        };
        switch (op) {
        case EcritPuisAnnule:
            remplir(0x55);
            Rappeler(l, h, 0, 0x7FFFFF00, 1); // upper bytes are not part of the flag
            break;
        case EcritEnDeuxTemps:
            remplir(1);
            Rappeler(l, h, 0, 1, 0);
            remplir(2);
            Rappeler(l, h, 0, 0x0BAD0001, 1);
            break;
        case ResteOuverte: Rappeler(l, h, 1, 0, 0); break;
        case GardeReference:
            Lacher();
            tableau::Prendre(p);
            gardee = p;
            remplir(9);
            Rappeler(l, h, 0, 1, 1);
            break;
        default: break;
        }
    }

    static PointsEntree Points() {
        PointsEntree p;
        p.adrRetour = &AdrRetour;
        p.prmDLL = &PrmDLL;
        p.addMenu = &AddMenu;
        p.xchgData = &XchgData;
        return p;
    }
};

} // namespace velmora::hote::essai
