// Arbitrary bytes as an operation's settings text: the first byte chooses the
// operation, the rest is the text. It is read (or refused with ErreurReglage,
// nothing else), its canonical text reads back to the same record, and the
// rule runs on a small image, pixels written only when it succeeds. Records
// naming a file are read but not applied: the fuzzer would make any path (a
// pipe, a device) and the files' own readers have their targets.
#include "dialogs/Reglables.h"
#include "imaging/ErreursFichier.h"
#include "imaging/Reglages.h"

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, std::size_t taille) {
    if (taille == 0) return 0;
    const uint32_t operation = donnees[0] % 10;  // 0: none such
    const std::string_view texte(reinterpret_cast<const char *>(donnees + 1), taille - 1);
    const reglables::Operation *op = reglables::Trouver(operation);
    if (!op) {
        if (operation >= 1 && operation <= 9) std::abort();
        return 0;
    }
    try {
        const reglages::Enregistrement r = reglables::Lire(*op, texte);
        if (!(reglables::Lire(*op, r.Texte()) == r)) std::abort();
        for (const reglages::Champ &c : op->Champs)
            if (c.Type == reglages::Genre::Fichier && !r[c.Nom].Vide) return 0;
        std::vector<TPtImg> pixels(7 * 5);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = {uint8_t(37 * i), uint8_t(255 - 11 * i), uint8_t(90 + 5 * i)};
        const std::vector<TPtImg> avant = pixels;
        try {
            op->Appliquer(r, pixels.data(), 7, 5);
        } catch (const reglages::ErreurReglage &) {
            if (std::memcmp(pixels.data(), avant.data(), pixels.size() * 3) != 0) std::abort();
        }
    } catch (const reglages::ErreurReglage &) {
    } catch (const ErreurFichier &) {
    }
    return 0;
}
