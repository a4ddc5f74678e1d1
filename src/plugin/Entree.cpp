// The versioned entry of velmora/reglages.h: settings as data for the hosts
// that ask for more than the four exports. Like them it validates, dispatches
// and lets no exception out; the rules and fields live in each operation's room.
#include <velmora/memoire.h>
#include <velmora/reglages.h>

#include "dialogs/Reglables.h"
#include "imaging/ErreursFichier.h"
#include "imaging/Fpu.h"
#include "imaging/dialogue/Hote.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace velmora {
namespace {

using reglages::Champ;
using reglages::ErreurReglage;

void Message(char *message, int32_t taille, const std::string &texte) {
    if (!message || taille <= 0) return;
    std::size_t n = std::min(texte.size(), std::size_t(taille - 1));
    // Never cut a UTF-8 character in two.
    while (n > 0 && n < texte.size() && (uint8_t(texte[n]) & 0xC0) == 0x80) --n;
    std::memcpy(message, texte.data(), n);
    message[n] = '\0';
}

// Runs f, turning what it throws into a code and a message.
template <class F> int32_t Garder(char *message, int32_t taille, F &&f) {
    const fpu::Garde garde;
    try {
        Message(message, taille, "");
        return f();
    } catch (const ErreurReglage &e) {
        Message(message, taille, e.what());
        return VELMORA_ERREUR_REGLAGES;
    } catch (const std::bad_alloc &) {
        Message(message, taille, "Mémoire insuffisante");
        return VELMORA_ERREUR_INTERNE;
    } catch (const std::exception &e) {
        Message(message, taille, e.what());
        return VELMORA_ERREUR_INTERNE;
    } catch (...) {
        Message(message, taille, "Erreur inconnue");
        return VELMORA_ERREUR_INTERNE;
    }
}

// The public view of each room's fields, made once.
struct Vues {
    std::vector<VelmoraChamp> parOperation[9];
    Vues() {
        for (uint32_t n = 1; n <= 9; ++n)
            if (const reglables::Operation *op = reglables::Trouver(n))
                for (const Champ &c : op->Champs)
                    parOperation[n - 1].push_back({c.Nom, int32_t(c.Type), c.Libelle, double(c.Mini),
                                                   double(c.Maxi), c.Defaut ? c.Defaut : "", c.Choix,
                                                   c.Filtre, int32_t(c.Nombre)});
    }
};
const Vues &LesVues() {
    static const Vues vues;
    return vues;
}

int32_t NbChamps(uint32_t operation) {
    const fpu::Garde garde;
    try {
        const reglables::Operation *op = reglables::Trouver(operation);
        return op ? int32_t(op->Champs.size()) : -1;
    } catch (...) {
        return -1;
    }
}

const VelmoraChamp *ChampDe(uint32_t operation, int32_t index) {
    const fpu::Garde garde;
    try {
        if (!reglables::Trouver(operation) || index < 0) return nullptr;
        const auto &v = LesVues().parOperation[operation - 1];
        return std::size_t(index) < v.size() ? &v[std::size_t(index)] : nullptr;
    } catch (...) {
        return nullptr;
    }
}

std::string Numero(uint32_t operation) {
    return "opération inconnue : " + std::to_string(operation) + " (de 1 à 9)";
}

int32_t Verifier(uint32_t operation, const char *texte, char *message, int32_t taille) {
    return Garder(message, taille, [&]() -> int32_t {
        const reglables::Operation *op = reglables::Trouver(operation);
        if (!op) {
            Message(message, taille, Numero(operation));
            return VELMORA_ERREUR_OPERATION;
        }
        reglables::Lire(*op, texte ? texte : "");
        return VELMORA_OK;
    });
}

int32_t Appliquer(uint32_t operation, const char *texte, TPtImg *pixels, int32_t largeur,
                  int32_t hauteur, char *message, int32_t taille) {
    return Garder(message, taille, [&]() -> int32_t {
        const reglables::Operation *op = reglables::Trouver(operation);
        if (!op) {
            Message(message, taille, Numero(operation));
            return VELMORA_ERREUR_OPERATION;
        }
        const reglages::Enregistrement r = reglables::Lire(*op, texte ? texte : "");
        // The sizes a counted array may hold; an empty image has nothing to do.
        if (largeur < 0 || hauteur < 0 || int64_t(largeur) * hauteur > INT32_MAX ||
            (!pixels && int64_t(largeur) * hauteur > 0)) {
            Message(message, taille, "image invalide : " + std::to_string(largeur) + " × " +
                                         std::to_string(hauteur) + " pixels");
            return VELMORA_ERREUR_IMAGE;
        }
        if (int64_t(largeur) * hauteur == 0) return VELMORA_OK;
        try {
            op->Appliquer(r, pixels, largeur, hauteur);
        } catch (const ErreurFichier &e) {
            throw ErreurReglage(e.what());
        }
        return VELMORA_OK;
    });
}

int32_t Ouvrir(uint32_t operation, const char *texte, TPtImg *pixels, int32_t largeur,
               int32_t hauteur, char *message, int32_t taille) {
    const int32_t code = Garder(message, taille, [&]() -> int32_t {
        const reglables::Operation *op = reglables::Trouver(operation);
        if (!op || op->Champs.empty()) {
            Message(message, taille, op ? "l'opération " + std::to_string(operation) +
                                              " n'a pas de dialogue"
                                        : Numero(operation));
            return VELMORA_ERREUR_OPERATION;
        }
        if (!memoire::Pret() || !pixels || largeur < 0 || hauteur < 0 ||
            int64_t(largeur) * hauteur != tableau::Compte(pixels)) {
            Message(message, taille, "image invalide : un tableau compté de " +
                                         std::to_string(largeur) + " × " +
                                         std::to_string(hauteur) + " pixels est attendu");
            return VELMORA_ERREUR_IMAGE;
        }
        reglages::Enregistrement r = reglables::Lire(*op, texte ? texte : "");
        if (op->ChargerFichiers) {
            try {
                op->ChargerFichiers(r);
            } catch (const ErreurFichier &e) {
                throw ErreurReglage(e.what());
            }
        }
        reglables::DefinirDepart(operation, std::move(r));
        return VELMORA_OK;
    });
    if (code != VELMORA_OK) return code;
    // The export itself: its references, its notices, its guards.
    XchgData(operation, 0, 0, 0, 0, largeur, hauteur, 0, 0, pixels, nullptr, 0, 0);
    const fpu::Garde garde;
    try {
        reglables::DefinirDepart(operation, std::nullopt);
    } catch (...) {
    }
    return VELMORA_OK;
}

int32_t Appliques(uint32_t operation, char *tampon, int32_t taille) {
    const fpu::Garde garde;
    try {
        const reglables::Operation *op = reglables::Trouver(operation);
        if (!op || op->Champs.empty()) return -1;
        const auto r = reglables::Appliques(operation);
        if (!r) {
            Message(tampon, taille, "");
            return 0;
        }
        const std::string texte = r->Texte();
        Message(tampon, taille, texte);
        return int32_t(std::min<std::size_t>(texte.size(), INT32_MAX));
    } catch (...) {
        Message(tampon, taille, "");
        return -1;
    }
}

int32_t Zone(int32_t x, int32_t y, int32_t largeur, int32_t hauteur, TPtImg *image, char *message,
             int32_t taille) {
    return Garder(message, taille, [&]() -> int32_t {
        if (!memoire::Pret() || !image) {
            Message(message, taille, "image invalide : aucun tableau compté");
            return VELMORA_ERREUR_IMAGE;
        }
        const TPtsImg reference = TPtsImg::Referencer(image);  // for the whole call, as XchgData
        ImageModifiee = false;
        reglables::ZoneRectangle(x, y, largeur, hauteur, image);
        return VELMORA_OK;
    });
}

const VelmoraEntree entree = {
    .version = VELMORA_ENTREE_VERSION,
    .taille = sizeof(VelmoraEntree),
    .NbChamps = &NbChamps,
    .Champ = &ChampDe,
    .Verifier = &Verifier,
    .Appliquer = &Appliquer,
    .Ouvrir = &Ouvrir,
    .Appliques = &Appliques,
    .Zone = &Zone,
};

} // namespace
} // namespace velmora

extern "C" VELMORA_EXPORT const VelmoraEntree *VelmoraInterface(uint32_t version) {
    return version >= 1 && version <= VELMORA_ENTREE_VERSION ? &velmora::entree : nullptr;
}
