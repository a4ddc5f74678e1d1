// Publishing or joining the shared memory manager, at the module's load before
// anything else of the module allocates, and leaving it at unload after
// everything else.
#include "MemPartagee.h"

#include <algorithm>
#include <cstdlib>

namespace velmora::memoire {
namespace {

// The module's own manager: the C allocator.
void *VELMORA_CONV_MEMOIRE AllouerC(std::size_t taille) { return std::malloc(taille ? taille : 1); }
int VELMORA_CONV_MEMOIRE LibererC(void *bloc) {
    std::free(bloc);
    return 0;
}
void *VELMORA_CONV_MEMOIRE RedimensionnerC(void *bloc, std::size_t taille) {
    return std::realloc(bloc, taille ? taille : 1);
}

constexpr uint32_t CleSignature1 = 0x4567FEED, HautSignature1 = 0xBABE0123;
constexpr uint32_t CleSignature2 = 0x3210B00B, HautSignature2 = 0xF00D7654;
const char Titre[] = "MemPartagee";

// Constant-initialised, so valid even before any constructor of the module has run.
constinit Gestionnaire courant{AllouerC, LibererC, RedimensionnerC};
constinit Gestionnaire propre{AllouerC, LibererC, RedimensionnerC}; // saved while joined
BlocPartage *publiee = nullptr; // the page this module obtained and published
BlocPartage *rejointe = nullptr; // the page of another module, once joined
std::size_t taillePage = 0;
uintptr_t adresseMaxi = 0, nbCandidats = 0;
uint32_t idProcessus = 0;

void Signer(BlocPartage &b, uint32_t pid) {
    b.Signature1[0] = pid ^ CleSignature1;
    b.Signature1[1] = HautSignature1;
    b.Signature2[0] = pid ^ CleSignature2;
    b.Signature2[1] = HautSignature2;
}

// Whether a page valid for this process stands at adresse. Read without
// faulting: the address may hold anything, even an unreadable mapping.
bool Valide(uintptr_t adresse) {
    BlocPartage b;
    if (!plateforme::Lire(adresse, &b, sizeof b)) return false;
    return b.Signature1[0] == (idProcessus ^ CleSignature1) && b.Signature1[1] == HautSignature1 &&
           b.Signature2[0] == (idProcessus ^ CleSignature2) && b.Signature2[1] == HautSignature2;
}

// A forked child is another process: the page it inherited is signed with the
// parent's id, so a module loaded in the child would not recognise it.
void Resigner() {
    if (publiee) Signer(*publiee, plateforme::IdProcessus());
}

// What one step of the walk came to.
enum class Issue { Rien, Ailleurs, Publiee, Rejointe };

Issue Rejoindre(uintptr_t candidat) {
    if (!Valide(candidat)) return Issue::Rien;
    rejointe = reinterpret_cast<BlocPartage *>(candidat);
    propre = courant;
    courant = rejointe->Publie;
    rejointe->Utilisateurs += 1;
    return Issue::Rejointe;
}

// One step: publish at the candidate if the system gives the page there, join
// a page valid for this process that stands there already.
Issue Essayer(uintptr_t candidat) {
    void *obtenue = plateforme::Reserver(candidat, taillePage);
    if (obtenue == reinterpret_cast<void *>(candidat)) {
        // A page published lower down while this address was taken (the
        // module that published it walked past it) is joined rather than
        // made a second manager of the process.
        if (const uintptr_t plusBas =
                plateforme::ChercherPage(candidat, adresseMaxi, taillePage, nbCandidats, &Valide)) {
            plateforme::Rendre(obtenue, taillePage);
            return Rejoindre(plusBas);
        }
        // The system gives the page zeroed: the reserved words are already 0.
        publiee = static_cast<BlocPartage *>(obtenue);
        publiee->Publie = courant;
        publiee->Utilisateurs = 1;
        Signer(*publiee, idProcessus);
        plateforme::GuetterSortie();
        plateforme::ApresFork(&Resigner);
        return Issue::Publiee;
    }
    if (obtenue) {
        plateforme::Rendre(obtenue, taillePage); // placed elsewhere: of no use
        // A system that takes the address as a mere hint (a kernel that does
        // not know the no-replace flag) moves the page because the address is
        // taken, maybe by a valid page.
        return Rejoindre(candidat) == Issue::Rejointe ? Issue::Rejointe : Issue::Ailleurs;
    }
    return Rejoindre(candidat);
}

// The walk, the same in every module: the first free candidate is published,
// a valid page on the way is joined. Below the first 16 candidates the system
// is asked first, so that an occupied stretch costs one step however long it
// is: a process whose top is taken (under Wine, by Wine's own memory) finds
// the first free address far below without trying every 64 KiB. Before
// publishing, the rest of the walk is looked through for a valid page: one
// published lower while this address was taken is joined, so that a process
// never has two managers.
void Demarrer() {
    taillePage = plateforme::TaillePage();
    adresseMaxi = plateforme::AdresseMaximale();
    idProcessus = plateforme::IdProcessus();
    nbCandidats = NbCandidatsEnTout(adresseMaxi, taillePage, plateforme::AdresseMinimale());
    const uintptr_t nb = nbCandidats;
    auto candidat = [](uintptr_t i) { return Candidat(adresseMaxi, taillePage, i); };

    Issue issue = Issue::Rien;
    for (uintptr_t i = 0; i < nb;) {
        if (i < NbCandidats) {
            issue = Essayer(candidat(i));
            if (issue == Issue::Publiee || issue == Issue::Rejointe) return;
            ++i;
            continue;
        }
        plateforme::Etendue e = plateforme::Examiner(candidat(i), taillePage);
        if (e.libre) {
            issue = Essayer(candidat(i));
            if (issue == Issue::Publiee || issue == Issue::Rejointe) return;
            // Free, yet not given. Taken in the meantime (another thread of
            // the process mapped it): the walk goes on past it. Still free
            // where the system tells the free stretch: it keeps that stretch
            // for itself (64-bit Wine: the top of the address space), and the
            // walk passes it in one step. Otherwise it refuses memory, not
            // this address; lower addresses would fare no better.
            const plateforme::Etendue apres = plateforme::Examiner(candidat(i), taillePage);
            if (!apres.libre)
                e = apres;
            else if (!e.bas)
                break;
        }
        issue = Rejoindre(candidat(i));
        if (issue == Issue::Rejointe) return;
        const uintptr_t suivant =
            std::min(nb, std::max(i + 1, PremierSous(adresseMaxi, taillePage, e.bas)));
        for (++i; e.pagesPossibles && i < suivant; ++i)
            if (Rejoindre(candidat(i)) == Issue::Rejointe) return;
        i = suivant;
    }

    plateforme::Signaler(Titre, issue == Issue::Ailleurs
                                    ? "Shared Memory Allocator setup failed: Address was relocated."
                                    : "Shared Memory Allocator setup failed: Address already reserved.");
}

void Arreter() {
    if (rejointe) {
        rejointe->Utilisateurs -= 1;
        courant = propre;
        rejointe = nullptr;
        return;
    }
    if (!publiee) return;
    publiee->Utilisateurs -= 1;
    if (publiee->Utilisateurs > 0) {
        // At process exit nothing is unmapped, so the others may go on using our
        // code until the end. An unload would take it away from under them.
        if (!plateforme::SortieEnCours()) plateforme::Terminer();
        return;
    }
    plateforme::Rendre(publiee, taillePage);
    publiee = nullptr;
}

// 101: the first priority left to programs (0 to 100 belong to the toolchain).
// The matching destructor runs after every other destructor of the module.
__attribute__((constructor(101))) void ALaCharge() { Demarrer(); }
__attribute__((destructor(101))) void ALaDecharge() { Arreter(); }

} // namespace

const Gestionnaire &Actuel() { return courant; }

bool Pret() { return publiee || rejointe; }

} // namespace velmora::memoire
