// A sequence of calls as a host might make them, read from the input:
// XchgData with any operation, mode and sizes, on counted arrays whose counts
// may disagree with the sizes given; reference zones before, during and after
// a colour balance; the dialogs driven through the recording fake form
// (controls, mouse, file, colour and name boxes, the toolkit replaced under
// them). After each call: nothing written outside the arrays, and once no
// dialog is open, every reference count back to what the host holds (plus the
// one reference each closed dialog keeps to the last array it worked on).
// Every input starts from freshly made dialogs.
#include "FichierMemoire.h"
#include "FormeFactice.h"
#include "dialogs/Dialogues.h"
#include "dialogs/GrainOuBr/GrainOuBr.h"
#include "imaging/dialogue/Interface.h"

#include <velmora/memoire.h>
#include <velmora/plugin.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

using namespace velmora;

namespace {

// The input, read as the sequence goes; zeros once it is used up.
struct Lecture {
    const uint8_t *d;
    std::size_t n;
    bool Fini() const { return n == 0; }
    uint8_t Octet() {
        if (n == 0) return 0;
        --n;
        return *d++;
    }
    // Little-endian, byte after byte.
    uint32_t Mot() {
        uint32_t v = 0;
        for (int k = 0; k < 4; ++k) v |= uint32_t(Octet()) << (8 * k);
        return v;
    }
    int32_t Court() {
        const uint16_t bas = Octet();
        return int16_t(uint16_t(bas | Octet() << 8));
    }
};
Lecture entree{nullptr, 0};
// VELMORA_FUZZ_TRACE=1: each step on the standard error stream, to read a finding.
const bool trace = std::getenv("VELMORA_FUZZ_TRACE") != nullptr;

// --- The host's arrays: counted blocks with guard bytes after their elements.

constexpr std::size_t Garde = 16;
constexpr uint8_t OctetGarde = 0xA5;

struct Bloc {
    TPtImg *pixels = nullptr;
    int32_t largeur = 0, hauteur = 0;  // what the block holds: largeur * hauteur elements
    int32_t references = 1;            // the host's own: 1, or -1 for a block never freed
};
std::array<Bloc, 3> blocs;

void Verifier(bool references);

// A block never freed lives in static storage, as a host's constant would;
// the others come from the shared manager.
constexpr std::size_t MaxPixels = 64;
alignas(8) uint8_t statiques[3][8 + 3 * MaxPixels + Garde];

void Liberer(Bloc &b) {
    if (b.pixels && b.references > 0) tableau::Relacher(b.pixels);
    b = {};
}

void Nouveau(std::size_t i) {
    Bloc &b = blocs[i];
    Liberer(b);
    const int32_t l = entree.Octet() % 9, h = entree.Octet() % 9;  // up to 8 x 8, may be empty
    const std::size_t n = std::size_t(l) * std::size_t(h);
    b.references = entree.Octet() & 1 ? -1 : 1;
    auto *entete = b.references < 0 ? reinterpret_cast<int32_t *>(statiques[i])
                                    : static_cast<int32_t *>(memoire::Allouer(8 + 3 * n + Garde));
    if (!entete) std::abort();
    entete[0] = b.references;
    entete[1] = int32_t(n);
    b.pixels = reinterpret_cast<TPtImg *>(entete + 2);
    b.largeur = l;
    b.hauteur = h;
    auto *octets = reinterpret_cast<uint8_t *>(b.pixels);
    for (std::size_t k = 0; k < 3 * n; ++k) octets[k] = entree.Octet();
    std::memset(octets + 3 * n, OctetGarde, Garde);
}

TPtImg *Choisir(uint8_t c) {
    const Bloc &b = blocs[c % blocs.size()];
    return c >= 0xF0 ? nullptr : b.pixels;
}

// --- The host's callback: notices are only counted.
int notices = 0;
void Retour(void *, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
    ++notices;
}

// --- The back end: fake forms, each run by the same reader of the input.

void Utilisateur(essai::FormeFactice &f, int profondeur);

class Fabrique final : public IFabriqueFormes {
public:
    bool disponible = true;
    uint64_t generation = 1;
    std::vector<essai::FormeFactice *> formes;

    bool Disponible() override { return disponible; }
    uint64_t Generation() const override { return generation; }
    std::unique_ptr<IForme> Creer(const TForme &table, IGestionnaire &dialogue) override {
        auto f = std::make_unique<essai::FormeFactice>(table, dialogue);
        essai::FormeFactice *p = f.get();
        p->copierImages = false;  // counted only: nothing here reads them
        tables_[p] = &table;
        p->utilisateur = [p, nom = table.Nom] {
            if (trace) std::fprintf(stderr, "%s modale\n", nom);
            Utilisateur(*p, 1);
            if (trace) std::fprintf(stderr, "%s : fin de la boucle\n", nom);
        };
        formes.push_back(p);
        return f;
    }
    // As a back end does with a form of a toolkit that is gone: dropped, not
    // destroyed (its modal loop may still be on the stack), and no longer shown.
    void Liberer(std::unique_ptr<IForme> forme) override {
        auto *f = static_cast<essai::FormeFactice *>(forme.get());
        f->visible = false;
        std::erase(formes, f);
        tables_.erase(f);
        abandonnees.push_back(std::move(forme));
    }
    std::vector<std::unique_ptr<IForme>> abandonnees;  // freed once no loop runs
    void Terminer() override {}
    const TForme &Table(essai::FormeFactice *f) const { return *tables_.at(f); }

private:
    std::map<essai::FormeFactice *, const TForme *> tables_;
};
// Never destroyed: the library hands its forms back from its own exit handler,
// which may run after this file's statics are gone.
Fabrique &fabrique = *new Fabrique;

constexpr int32_t NombreDialogues = 6;

bool UneFormeOuverte() {
    return std::any_of(fabrique.formes.begin(), fabrique.formes.end(),
                       [](essai::FormeFactice *f) { return f->visible; });
}

void Appel() {
    const uint8_t o = entree.Octet();
    const uint32_t operation = o < 0xF0 ? o % 11 : entree.Mot();
    const uint8_t m = entree.Octet();
    const uint32_t mode = m < 0xF0 ? m % 3 : entree.Mot();
    TPtImg *pixels = Choisir(entree.Octet()), *pixels2 = Choisir(entree.Octet());
    int32_t largeur = 0, hauteur = 0;
    const uint8_t taille = entree.Octet();
    auto it = std::find_if(blocs.begin(), blocs.end(), [&](const Bloc &b) { return b.pixels == pixels; });
    if (taille < 0xC0 && it != blocs.end() && pixels) {
        largeur = it->largeur, hauteur = it->hauteur;  // the truth
    } else {
        largeur = entree.Court(), hauteur = entree.Court();  // anything
    }
    const uint32_t s2 = entree.Mot();
    auto indice = [](const TPtImg *p) {
        for (std::size_t i = 0; i < blocs.size(); ++i)
            if (p && blocs[i].pixels == p) return int(i);
        return -1;
    };
    if (trace)
        std::fprintf(stderr, "XchgData op %u mode %u %dx%d tableaux %d %d\n", operation, mode, largeur,
                     hauteur, indice(pixels), indice(pixels2));
    XchgData(operation, s2, 0, 0, 0, largeur, hauteur, mode, 0, pixels, pixels2, 0, 0);
    if (trace)
        for (std::size_t i = 0; i < blocs.size(); ++i)
            if (blocs[i].pixels)
                std::fprintf(stderr, "  tableau %zu : %d références\n", i,
                             reinterpret_cast<const int32_t *>(blocs[i].pixels)[-2]);
}

// An event on one of the form's controls (or the form itself), its value changed first
// as the user would change it.
void Evenement(essai::FormeFactice &f) {
    const TForme &table = fabrique.Table(&f);
    const uint8_t c = entree.Octet();
    if (c >= 0xF8) {
        if (trace) std::fprintf(stderr, "%s fermée\n", table.Nom);
        f.Evenement(table.Nom, TTypeEvenement::Fermeture);
        return;
    }
    const TControle &t = table.Controles[c % table.Controles.size()];
    auto &k = f.controles.at(t.Nom);
    switch (t.Genre) {
    case TGenre::Curseur:  // within its range, as every toolkit's slider reports
        k.position = t.Min + int32_t(uint16_t(entree.Court()) % uint32_t(t.Max - t.Min + 1));
        break;
    case TGenre::Liste:
    case TGenre::GroupeRadio: k.index = int32_t(entree.Octet() % (k.elements.size() + 2)) - 1; break;
    case TGenre::Radio:
    case TGenre::Case: k.coche = entree.Octet() & 1; break;
    default: break;
    }
    // The answers of the boxes this event may open.
    const uint8_t boites = entree.Octet();
    f.fichiers.clear();
    f.couleurs.clear();
    f.saisies.clear();
    if (boites & 1) {
        // A file: the next bytes, counted.
        const std::size_t n = std::min<std::size_t>(entree.Mot() % 4300, entree.n);
        f.fichiers.push_back(std::filesystem::path(fuzz::FichierMemoire(entree.d, n)));
        entree.d += n, entree.n -= n;
    }
    if (boites & 2) f.couleurs.push_back(entree.Mot());
    if (boites & 4) f.saisies.push_back(std::string(entree.Octet() % 8, char('A' + (boites >> 4))));
    const auto type = TTypeEvenement(entree.Octet() % 7);
    const uint8_t bouton = entree.Octet(), boutons = entree.Octet(), touches = entree.Octet();
    const int32_t x = entree.Court(), y = entree.Court();
    if (trace)
        std::fprintf(stderr, "%s.%s événement %d (%d, %d)%s\n", table.Nom, t.Nom, int(type), x, y,
                     f.fichiers.empty() ? "" : " avec un fichier");
    f.Souris(t.Nom, type, bouton, boutons, x, y, touches);
    f.ExecuterDifferes();
}

void Pas(essai::FormeFactice *active, int profondeur);

// The modal loop of a form: events until the form closes or the input ends.
void Utilisateur(essai::FormeFactice &f, int profondeur) {
    while (f.visible && !entree.Fini()) Pas(&f, profondeur);
}

void Pas(essai::FormeFactice *active, int profondeur) {
    const uint8_t quoi = entree.Octet();
    switch (quoi % 8) {
    case 0:
    case 1:
        // A host calling back into the plug-in while a dialog is shown, once at most.
        if (profondeur < 2) Appel();
        break;
    case 2:
    case 3:
    case 4: {
        essai::FormeFactice *f = active;
        if (!f && !fabrique.formes.empty()) f = fabrique.formes[entree.Octet() % fabrique.formes.size()];
        if (f) Evenement(*f);
        break;
    }
    case 5:
        // Only while no dialog holds the arrays: the host keeps what it passed.
        if (!active && !UneFormeOuverte()) Nouveau(entree.Octet() % blocs.size());
        break;
    case 6:
        if (quoi & 0x80) ++fabrique.generation;  // the toolkit replaced
        else fabrique.disponible = quoi & 0x40;
        if (trace) std::fprintf(stderr, "génération %llu, disponible %d\n",
                                (unsigned long long)fabrique.generation, int(fabrique.disponible));
        break;
    case 7:
        if (active && trace) std::fprintf(stderr, "%s fermée\n", fabrique.Table(active).Nom);
        if (active) active->Evenement(fabrique.Table(active).Nom, TTypeEvenement::Fermeture);
        break;
    }
    // Inside a modal loop the calls that opened it still hold their references.
    Verifier(profondeur == 0 && !UneFormeOuverte());
}

void Verifier(bool references) {
    int32_t gardees = 0;
    for (std::size_t i = 0; i < blocs.size(); ++i) {
        const Bloc &b = blocs[i];
        if (!b.pixels) continue;
        const auto *fin = reinterpret_cast<const uint8_t *>(b.pixels) + 3 * std::size_t(b.largeur) * b.hauteur;
        for (std::size_t k = 0; k < Garde; ++k)
            if (fin[k] != OctetGarde) {
                std::fprintf(stderr, "tableau %zu : écrit au-delà de sa fin\n", i);
                std::abort();
            }
        const int32_t *entete = reinterpret_cast<const int32_t *>(b.pixels) - 2;
        if (entete[1] != b.largeur * b.hauteur) {
            std::fprintf(stderr, "tableau %zu : compte changé\n", i);
            std::abort();
        }
        if (b.references > 0) {
            if (entete[0] < b.references) {
                std::fprintf(stderr, "tableau %zu : %d références, le client en tient %d\n", i, entete[0],
                             b.references);
                std::abort();
            }
            gardees += entete[0] - b.references;
        }
    }
    // A closed dialog keeps its reference to the last array it worked on until
    // its next opening: at most one per dialog, however many calls were made.
    if (references && gardees > NombreDialogues) {
        std::fprintf(stderr, "%d références gardées par %d dialogues\n", gardees, NombreDialogues);
        for (essai::FormeFactice *f : fabrique.formes)
            std::fprintf(stderr, "  %s %s\n", fabrique.Table(f).Nom, f->visible ? "montrée" : "cachée");
        std::abort();
    }
}

} // namespace

IFabriqueFormes &velmora::FabriqueFormes() { return fabrique; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, std::size_t taille) {
    static const bool pret = (AdrRetour(reinterpret_cast<void *>(&Retour), nullptr), true);
    (void)pret;
    entree = {donnees, taille};
    fabrique.disponible = true;
    for (std::size_t i = 0; i < blocs.size(); ++i) Nouveau(i);
    while (!entree.Fini()) Pas(nullptr, 0);
    // The host closes what is still open; every reference then comes back.
    for (essai::FormeFactice *f : std::vector(fabrique.formes))
        if (f->visible) f->Evenement(fabrique.Table(f).Nom, TTypeEvenement::Fermeture);
    Verifier(true);
    // Each input starts from a library just loaded: a finding replays alone,
    // and what an input allocates is freed by its end (libFuzzer then has no
    // cause to scan the heap for leaks after it).
    velmora::dialogues::Recommencer();
    grainoubr::GraineAlea = 0;  // the generator as the library starts it
    for (Bloc &b : blocs) Liberer(b);
    fabrique.abandonnees.clear();
    return 0;
}
