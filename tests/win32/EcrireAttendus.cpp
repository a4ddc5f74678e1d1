// Linux side of the Windows comparison: runs the direct operations through the
// Linux library (loaded with dlopen, as a host would) on fixtures and on the
// sample photograph, and writes what it got for the Windows test host.
//   velmora-attendus PLUGIN SAMPLES_FOLDER OUTPUT_FILE
#include "Attendus.h"
#include "EcrivainsCommuns.h"

#include <velmora/plugin.h>
#include <velmora/memoire.h>

#include <QImage>

#include <dlfcn.h>

#include <cstdio>
#include <cstring>

namespace {

using namespace attendus;

// n pixels whose channels each run evenly over [bas, bas + etendue - 2] (one
// level above the lower stop to one below the upper), so that the automatic
// levels find stops `etendue` apart; the three channels are shifted apart and
// shuffled so that the luminance spreads too.
std::vector<uint8_t> Etendue(int etendue, int n) {
    std::vector<uint8_t> v(std::size_t(n) * 3);
    const int largeur = etendue - 1;
    const int bas[3] = {(255 - largeur) / 2, (255 - largeur) / 3, (255 - largeur) * 2 / 3};
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) v[std::size_t(i) * 3 + c] = uint8_t(bas[c] + (i * (c + 1) * 7 + c) % largeur);
    return v;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage : velmora-attendus PLUGIN ECHANTILLONS SORTIE\n");
        return 2;
    }
    void *bib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!bib) {
        std::fprintf(stderr, "velmora-attendus : %s\n", dlerror());
        return 1;
    }
    auto adrRetour = reinterpret_cast<FnAdrRetour>(dlsym(bib, "AdrRetour"));
    auto xchgData = reinterpret_cast<FnXchgData>(dlsym(bib, "XchgData"));
    if (!adrRetour || !xchgData) return 1;
    adrRetour(reinterpret_cast<void *>(&Retour), nullptr);

    const QImage photo(QString::fromLocal8Bit(argv[2]) + "/coffee.png");
    if (photo.isNull()) {
        std::fprintf(stderr, "velmora-attendus : %s/coffee.png illisible\n", argv[2]);
        return 1;
    }

    std::vector<attendus::Cas> cas;
    auto ajouter = [&](std::string nom, uint32_t op, int32_t l, int32_t h,
                       std::vector<uint8_t> pixels) {
        attendus::Cas c;
        c.nom = std::move(nom);
        c.operation = op;
        c.largeur = l;
        c.hauteur = h;
        c.n = int32_t(pixels.size() / 3);
        c.entree = std::move(pixels);
        cas.push_back(std::move(c));
    };

    const std::vector<uint8_t> pixelsPhoto = Photo(photo);
    // Twice the photograph's size, each pixel doubled: large enough to be split
    // across threads.
    std::vector<uint8_t> double_;
    {
        const int l = photo.width(), h = photo.height();
        double_.reserve(pixelsPhoto.size() * 4);
        for (int y = 0; y < 2 * h; ++y)
            for (int x = 0; x < 2 * l; ++x) {
                const uint8_t *p = &pixelsPhoto[(std::size_t(y / 2) * l + x / 2) * 3];
                double_.insert(double_.end(), p, p + 3);
            }
    }
    for (uint32_t op : {1u, 5u, 6u}) {
        const std::string suffixe = " op " + std::to_string(op);
        ajouter("photo" + suffixe, op, photo.width(), photo.height(), pixelsPhoto);
        ajouter("photo x2" + suffixe, op, 2 * photo.width(), 2 * photo.height(), double_);
        ajouter("aleatoire 257x131" + suffixe, op, 257, 131, Aleatoire(257 * 131 * 3, op));
        ajouter("un pixel" + suffixe, op, 1, 1, {10, 200, 77});
        // The element count rules, not the sizes the host claims.
        ajouter("taille annoncee fausse" + suffixe, op, 5, 5, Aleatoire(7 * 3, 99));
        ajouter("tableau nul" + suffixe, op, 4, 4, {});
    }
    for (uint32_t op : {5u, 6u})
        for (int etendue = 3; etendue <= 255; ++etendue)
            ajouter("etendue " + std::to_string(etendue) + " op " + std::to_string(op), op, 32, 8,
                    Etendue(etendue, 32 * 8));
    // Out of range: nothing changes, no callback.
    for (uint32_t op : {0u, 10u, 4294967295u})
        ajouter("hors menu " + std::to_string(op), op, 8, 2, Aleatoire(16 * 3, op));

    for (attendus::Cas &c : cas) {
        TPtImg *bloc = nullptr;
        if (c.n > 0) {
            bloc = velmora::tableau::Nouveau(c.n);
            std::memcpy(bloc, c.entree.data(), c.entree.size());
        } else {
            c.n = -1;
        }
        appels.clear();
        xchgData(c.operation, 0, 0, 0, 0, c.largeur, c.hauteur, 0, 0, bloc, nullptr, 0, 0);
        if (bloc) {
            const auto *o = reinterpret_cast<const uint8_t *>(bloc);
            c.sortie.assign(o, o + c.entree.size());
            velmora::tableau::Relacher(bloc);
        }
        c.appels = appels;
    }

    attendus::Ecrivain sortie(argv[3]);
    if (!sortie.Ouvert()) {
        std::fprintf(stderr, "velmora-attendus : impossible d'écrire %s\n", argv[3]);
        return 1;
    }
    sortie.Entete(uint32_t(cas.size()));
    for (const auto &c : cas) sortie.Ecrire(c);
    if (!sortie.Fermer()) {
        std::fprintf(stderr, "velmora-attendus : écriture de %s incomplète\n", argv[3]);
        return 1;
    }
    std::printf("%zu cas écrits dans %s\n", cas.size(), argv[3]);
    return 0;
}
