#include "PseudoAleaEntier.h"

#include "Anneau.h"
#include "Arrondis.h"
#include "Generateur.h"

namespace velmora::grainoubr {

void PseudoAleaEntier(const TPtImg *copie, TPtImg *hote, std::size_t n, int32_t largeur,
                      int32_t m1, int32_t m2, int32_t u2, int32_t t2, const std::vector<int32_t> &amp,
                      const std::vector<int16_t> &ampCanal, int32_t ampMax) {
    const int32_t xMax = ampMax / 2 + 1, S = 1 + m1 + m2, D = 2 * S;
    const int32_t borne = 2 * xMax * S;
    std::vector<int16_t> table(std::size_t(2 * borne + 1));
    // The floor quotient and its remainder stepped along N, without a division
    // per entry (a small image would spend most of its time here).
    int32_t q = -borne / D, reste = -borne % D;
    if (reste < 0) reste += D, --q;
    for (int16_t &t : table) {
        t = int16_t(2 * reste > D || (2 * reste == D && q % 2 != 0) ? q + 1 : q);
        if (++reste == D) reste = 0, ++q;
    }

    struct Bruit2 {
        int16_t n0[3], libre;
    };
    auto produire = [&](std::size_t d, std::size_t f, Bruit2 *sortie, uint32_t g) {
        for (std::size_t i = d; i < f; ++i, ++sortie) {
            const TPtImg px = copie[i];
            const int32_t s = px.Rouge + px.Vert + px.Bleu;
            const int32_t xl = u2 * XDe(Sauts[1](g), amp[std::size_t(s)]);
            const int16_t *ac = ampCanal.data() + std::size_t(s) * 256;
            sortie->n0[0] = int16_t(xl + t2 * XDe(Sauts[2](g), ac[px.Rouge]));
            sortie->n0[1] = int16_t(xl + t2 * XDe(Sauts[3](g), ac[px.Vert]));
            sortie->n0[2] = int16_t(xl + t2 * XDe(Sauts[4](g), ac[px.Bleu]));
            g = Sauts[4](g);
        }
    };
    struct Colonne2 {
        int32_t r1[3] = {0, 0, 0}, r2[3] = {0, 0, 0};
    };
    std::vector<Colonne2> lignes(static_cast<std::size_t>(largeur));
    int32_t p1[3] = {0, 0, 0}, p2[3] = {0, 0, 0};
    int32_t col = 0;
    auto filtrer = [&](std::size_t d, std::size_t f, const Bruit2 *bruit) {
        // Locals, so that the stores into the rows and the image cannot be taken
        // for changes to them (reloaded at each pixel otherwise: 5 % here).
        const int32_t M1 = m1, M2 = m2;
        const TPtImg *const source = copie;
        TPtImg *const dest = hote;
        const int16_t *const proche = table.data() + borne;
        Colonne2 *const premiere = lignes.data(), *const derniere = premiere + largeur - 1;
        Colonne2 *pl = premiere + col;
        int32_t a1 = p1[0], b1 = p1[1], c1 = p1[2], a2 = p2[0], b2 = p2[1], c2 = p2[2];
        for (std::size_t i = d; i < f; ++i, ++bruit) {
            Colonne2 &l = *pl;
            // Everything but the last value along the scan is summed first.
            const int32_t ba = bruit->n0[0] + M1 * l.r1[0] + M2 * (l.r2[0] + a2);
            const int32_t bb = bruit->n0[1] + M1 * l.r1[1] + M2 * (l.r2[1] + b2);
            const int32_t bc = bruit->n0[2] + M1 * l.r1[2] + M2 * (l.r2[2] + c2);
            a2 = a1, b2 = b1, c2 = c1;
            a1 = proche[ba + M1 * a1];
            b1 = proche[bb + M1 * b1];
            c1 = proche[bc + M1 * c1];
            l.r2[0] = l.r1[0], l.r2[1] = l.r1[1], l.r2[2] = l.r1[2];
            l.r1[0] = a1, l.r1[1] = b1, l.r1[2] = c1;
            const TPtImg px = source[i];
            dest[i] = {Borne(px.Bleu + c1), Borne(px.Vert + b1), Borne(px.Rouge + a1)};
            pl = pl == derniere ? premiere : pl + 1;
        }
        col = int32_t(pl - premiere);
        p1[0] = a1, p1[1] = b1, p1[2] = c1, p2[0] = a2, p2[1] = b2, p2[2] = c2;
    };
    BruitEnAvance<Bruit2, 8192, 8>(n, produire, filtrer);  // a ring of 512 KiB
}

} // namespace velmora::grainoubr
