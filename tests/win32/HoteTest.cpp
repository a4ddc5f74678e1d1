// velmora-hosttest.exe: a Win32 console host that loads velmora.dll by name, as
// the hosts of this kind of plug-in do, and checks it from the outside: exports,
// identity, menu, callbacks, reference counts, the direct operations against the
// bytes the Linux library gave (same input, same bytes), the floating-point
// environment a host may leave, and the shared memory manager's page: in the
// address space as plain Wine leaves it, then with the first 16 candidates
// taken, so that the page goes below them.
//   velmora-hosttest.exe EXPECTED_FILE      prints "N passed, M failed"
#include "Attendus.h"
#include "PagePartagee.h"

#include <velmora/plugin.h>

#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace {

// --- Checks -------------------------------------------------------------------

int reussis = 0, echoues = 0;

bool Verifier(bool ok, const std::string &quoi) {
    if (ok) {
        ++reussis;
    } else {
        ++echoues;
        std::printf("ECHEC : %s\n", quoi.c_str());
        std::fflush(stdout);
    }
    return ok;
}

template <class A, class B> bool Egal(const A &a, const B &b, const std::string &quoi) {
    if (a == b) return Verifier(true, quoi);
    return Verifier(false, quoi + " (obtenu " + std::to_string(a) + ", attendu " +
                               std::to_string(b) + ")");
}

std::string Hex(uint64_t v) {
    char t[24];
    std::snprintf(t, sizeof t, "0x%llX", static_cast<unsigned long long>(v));
    return t;
}

// --- Calling an export -----------------------------------------------------------

#if defined(__i386__)
// Pushes n 32-bit slots (the last first), calls f and returns its 32-bit result;
// *retires receives the number of bytes the callee took off the stack (a stdcall
// function removes all its slots).
extern "C" uint32_t __cdecl AppelBrut(void *f, const uint32_t *slots, uint32_t n,
                                      uint32_t *retires);
__asm__(".text\n"
        ".globl _AppelBrut\n"
        "_AppelBrut:\n"
        "  pushl %ebp\n"
        "  movl %esp, %ebp\n"
        "  pushl %ebx\n"
        "  pushl %esi\n"
        "  pushl %edi\n"
        "  movl 12(%ebp), %esi\n"
        "  movl 16(%ebp), %ecx\n"
        "1:\n"
        "  testl %ecx, %ecx\n"
        "  jz 2f\n"
        "  decl %ecx\n"
        "  pushl (%esi,%ecx,4)\n"
        "  jmp 1b\n"
        "2:\n"
        "  movl %esp, %ebx\n"
        "  call *8(%ebp)\n"
        "  movl %esp, %ecx\n"
        "  subl %ebx, %ecx\n"
        "  movl 20(%ebp), %edx\n"
        "  movl %ecx, (%edx)\n"
        "  leal -12(%ebp), %esp\n"
        "  popl %edi\n"
        "  popl %esi\n"
        "  popl %ebx\n"
        "  popl %ebp\n"
        "  ret\n");

uint32_t Slot(const void *p) { return uint32_t(reinterpret_cast<uintptr_t>(p)); }
uint32_t Slot(uint32_t v) { return v; }
uint32_t Slot(int32_t v) { return uint32_t(v); }
#endif

// Calls an export with the arguments of its prototype. On 32-bit Windows every
// call goes through its raw stack slots, so that a wrong convention shows (a
// stdcall function removes all its slots); 64-bit Windows has one convention,
// the platform's, and the call is a plain one.
template <class R, class... A> R Appeler(void *f, const char *nom, A... a) {
#if defined(__i386__)
    const uint32_t slots[] = {Slot(a)...};
    uint32_t retires = 0;
    const uint32_t r = AppelBrut(f, slots, uint32_t(sizeof...(A)), &retires);
    Egal(retires, 4 * uint32_t(sizeof...(A)), std::string(nom) + " retire ses arguments (stdcall)");
    if constexpr (!std::is_void_v<R>) return reinterpret_cast<R>(uintptr_t(r));
#else
    (void)nom;
    return reinterpret_cast<R (*)(A...)>(f)(a...);
#endif
}

// --- Floating-point environment ---------------------------------------------------

uint16_t MotX87() {
    uint16_t m;
    __asm__ volatile("fnstcw %0" : "=m"(m));
    return m;
}
void DefinirX87(uint16_t m) { __asm__ volatile("fldcw %0" : : "m"(m)); }
uint32_t MotSse() {
    uint32_t m;
    __asm__ volatile("stmxcsr %0" : "=m"(m));
    return m;
}
void DefinirSse(uint32_t m) { __asm__ volatile("ldmxcsr %0" : : "m"(m)); }

// 53-bit precision, round to nearest, exceptions masked: what some graphics
// libraries leave behind.
constexpr uint16_t X87Double = 0x027F;
// Flush-to-zero and denormals-are-zero, exceptions masked.
constexpr uint32_t SseRapide = 0x9FC0;

// --- The callback -------------------------------------------------------------------

struct Appel {
    void *contexte;
    std::array<int32_t, 8> arguments; // 2 to 9, the 8th reduced to its low byte
    uint16_t x87;                     // the word the host's code ran with
    uint32_t sse;
};
std::vector<Appel> appels;
// Runs inside the callback (e.g. the host dropping its reference meanwhile).
void (*pendantAppel)() = nullptr;

void __stdcall Retour(void *contexte, int32_t largeur, int32_t hauteur, int32_t r1, int32_t r2,
                      int32_t zone, int32_t zero, int32_t modifiee, int32_t fin) {
    appels.push_back(
        {contexte, {largeur, hauteur, r1, r2, zone, zero, modifiee & 0xFF, fin}, MotX87(), MotSse()});
    if (pendantAppel) pendantAppel();
}
int contexteRetour; // its address is the context

// --- The shared page, as a host sees it --------------------------------------------

// Register arguments on 32-bit Windows, as the hosts there call the entries;
// the platform's one convention on 64-bit Windows, sizes in a full register.
#if defined(__i386__)
#  define CONV_PAGE __attribute__((regparm(3)))
#else
#  define CONV_PAGE
#endif
using FnAllouer = void *(CONV_PAGE *)(intptr_t taille);
using FnLiberer = int32_t(CONV_PAGE *)(void *bloc);
using FnRedimensionner = void *(CONV_PAGE *)(void *bloc, intptr_t taille);

struct Page {
    volatile LONG utilisateurs;
    uint32_t reserve0;
    uint32_t signature1[2];
    FnAllouer allouer;
    FnLiberer liberer;
    FnRedimensionner redimensionner;
    uint32_t reserve1;
    uint32_t signature2[2];
};
// The same words at the same offsets on both: the three code addresses take
// 4 or 8 bytes each.
static_assert(offsetof(Page, allouer) == 16);
static_assert(offsetof(Page, signature2) == (sizeof(void *) == 4 ? 32 : 44));

using page::Candidat;

Page *PageValide(uintptr_t adresse) {
    return page::Valide(adresse) ? reinterpret_cast<Page *>(adresse) : nullptr;
}

std::string OuEst(long i) { return "candidat " + std::to_string(i) + ", " + Hex(Candidat(i)); }

// The host's own manager: the C heap, counting its calls.
struct Compteurs {
    int allocations = 0, liberations = 0, redimensionnements = 0;
    std::vector<void *> liberes;
} compteurs;

CONV_PAGE void *HoteAllouer(intptr_t taille) {
    ++compteurs.allocations;
    return HeapAlloc(GetProcessHeap(), 0, SIZE_T(taille > 0 ? taille : 1));
}
CONV_PAGE int32_t HoteLiberer(void *bloc) {
    ++compteurs.liberations;
    compteurs.liberes.push_back(bloc);
    return HeapFree(GetProcessHeap(), 0, bloc) ? 0 : 1;
}
CONV_PAGE void *HoteRedimensionner(void *bloc, intptr_t taille) {
    ++compteurs.redimensionnements;
    return HeapReAlloc(GetProcessHeap(), 0, bloc, SIZE_T(taille > 0 ? taille : 1));
}

// The manager the host allocates its arrays through: the published one.
FnAllouer allouer = nullptr;
FnLiberer liberer = nullptr;

// Publishing as the host: at the first free candidate of the walk.
Page *Publier(long *ou) {
    const long i = page::PremierDisponible();
    *ou = i;
    if (i < 0) return nullptr;
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    void *p = VirtualAlloc(reinterpret_cast<void *>(Candidat(i)), si.dwPageSize,
                           MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (p != reinterpret_cast<void *>(Candidat(i))) return nullptr;
    auto *page = static_cast<Page *>(p);
    const uint32_t pid = GetCurrentProcessId();
    page->allouer = &HoteAllouer;
    page->liberer = &HoteLiberer;
    page->redimensionner = &HoteRedimensionner;
    page->utilisateurs = 1;
    page->signature1[0] = pid ^ 0x4567FEEDu;
    page->signature1[1] = 0xBABE0123u;
    page->signature2[0] = pid ^ 0x3210B00Bu;
    page->signature2[1] = 0xF00D7654u;
    allouer = page->allouer;
    liberer = page->liberer;
    return page;
}

void Joindre(Page *page) {
    InterlockedIncrement(&page->utilisateurs);
    allouer = page->allouer;
    liberer = page->liberer;
}

// --- Counted arrays on the host's side -------------------------------------------

int32_t *Entete(TPtImg *p) { return reinterpret_cast<int32_t *>(p) - 2; }

TPtImg *NouveauBloc(int32_t n) {
    auto *bloc = static_cast<int32_t *>(allouer(8 + 3 * n));
    if (!bloc) return nullptr;
    bloc[0] = 1;
    bloc[1] = n;
    return reinterpret_cast<TPtImg *>(bloc + 2);
}
int32_t References(TPtImg *p) { return p ? Entete(p)[0] : 0; }
void Relacher(TPtImg *p) {
    if (p && InterlockedDecrement(reinterpret_cast<volatile LONG *>(Entete(p))) == 0)
        liberer(Entete(p));
}

// --- The library -----------------------------------------------------------------

struct Bibliotheque {
    HMODULE module = nullptr;
    void *adrRetour = nullptr, *prmDLL = nullptr, *addMenu = nullptr, *xchgData = nullptr;

    bool Charger(const char *nom) {
        module = LoadLibraryA(nom);
        if (!module) return false;
        adrRetour = reinterpret_cast<void *>(GetProcAddress(module, "AdrRetour"));
        prmDLL = reinterpret_cast<void *>(GetProcAddress(module, "PrmDLL"));
        addMenu = reinterpret_cast<void *>(GetProcAddress(module, "AddMenu"));
        xchgData = reinterpret_cast<void *>(GetProcAddress(module, "XchgData"));
        return adrRetour && prmDLL && addMenu && xchgData;
    }
    void Liberer() {
        if (module) FreeLibrary(module);
        module = nullptr;
    }
    void AdrRetour(void *code, void *contexte) {
        Appeler<void>(adrRetour, "AdrRetour", code, contexte);
    }
    const char *PrmDLL(int32_t *majeur, int32_t *mineur, const char **categorie) {
        return Appeler<const char *>(prmDLL, "PrmDLL", majeur, mineur, categorie);
    }
    const char *AddMenu(int32_t *index) { return Appeler<const char *>(addMenu, "AddMenu", index); }
    void XchgData(uint32_t op, int32_t largeur, int32_t hauteur, TPtImg *pixels,
                  uint32_t mode = 0, TPtImg *pixels2 = nullptr) {
        Appeler<void>(xchgData, "XchgData", op, uint32_t(0xDEAD0002), uint32_t(0xDEAD0003),
                      uint32_t(0xDEAD0004), uint32_t(0xDEAD0005), largeur, hauteur, mode,
                      uint32_t(0xDEAD0009), pixels, pixels2, uint32_t(0xDEAD0012),
                      uint32_t(0xDEAD0013));
    }
};

std::string Dossier() {
    char chemin[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, chemin, MAX_PATH);
    std::string s(chemin, n);
    return s.substr(0, s.find_last_of("\\/") + 1);
}

// --- The checks ---------------------------------------------------------------------

void Exports(Bibliotheque &b) {
    const char *noms[] = {"XchgData", "AddMenu", "PrmDLL", "AdrRetour"};
    for (int i = 0; i < 4; ++i) {
        FARPROC parNom = GetProcAddress(b.module, noms[i]);
        FARPROC parOrdinal = GetProcAddress(b.module, MAKEINTRESOURCEA(i + 1));
        Verifier(parNom && parNom == parOrdinal,
                 std::string(noms[i]) + " exporte sous son nom et l'ordinal " + std::to_string(i + 1));
    }
    Verifier(!GetProcAddress(b.module, MAKEINTRESOURCEA(5)), "aucun ordinal 5");
    for (const char *decore : {"XchgData@52", "_XchgData@52", "AddMenu@4", "_PrmDLL@12", "AdrRetour@8"})
        Verifier(!GetProcAddress(b.module, decore), std::string("pas de nom décoré ") + decore);
}

std::string ValeurVersion(const std::vector<char> &bloc, const char *cle) {
    char *valeur = nullptr;
    UINT longueur = 0;
    const std::string chemin = std::string("\\StringFileInfo\\040C04E4\\") + cle;
    if (!VerQueryValueA(bloc.data(), chemin.c_str(), reinterpret_cast<void **>(&valeur), &longueur) ||
        !valeur)
        return "(absent)";
    return valeur;
}

void Identite(Bibliotheque &b) {
    char fichier[MAX_PATH];
    GetModuleFileNameA(b.module, fichier, MAX_PATH);
    DWORD inutile = 0;
    std::vector<char> bloc(GetFileVersionInfoSizeA(fichier, &inutile));
    if (Verifier(!bloc.empty() && GetFileVersionInfoA(fichier, 0, DWORD(bloc.size()), bloc.data()),
                 "la DLL porte un bloc d'informations de version")) {
        VS_FIXEDFILEINFO *fixe = nullptr;
        UINT l = 0;
        if (Verifier(VerQueryValueA(bloc.data(), "\\", reinterpret_cast<void **>(&fixe), &l) && fixe,
                     "partie fixe du bloc")) {
            Egal(fixe->dwFileVersionMS, 0x00040000u, "version de fichier 4.0");
            Egal(fixe->dwFileVersionLS, 0u, "version de fichier .0.0");
            Egal(fixe->dwProductVersionMS, 0x00040000u, "version de produit 4.0");
            Egal(fixe->dwProductVersionLS, 0u, "version de produit .0.0");
        }
        WORD *langue = nullptr;
        if (Verifier(VerQueryValueA(bloc.data(), "\\VarFileInfo\\Translation",
                                    reinterpret_cast<void **>(&langue), &l) && langue && l >= 4,
                     "traduction présente")) {
            Egal(langue[0], WORD(0x040C), "langue français");
            Egal(langue[1], WORD(1252), "page de code 1252");
        }
        const std::pair<const char *, const char *> chaines[] = {
            {"FileVersion", "4.0.0.0"},
            {"ProductVersion", "4.0.0.0"},
            {"FileDescription", "Plug-In de traitement des couleurs"},
            {"InternalName", "Velmora"},
            {"OriginalFilename", "velmora.dll"},
        };
        for (auto [cle, attendu] : chaines)
            Verifier(ValeurVersion(bloc, cle) == attendu,
                     std::string(cle) + " = \"" + attendu + "\" (lu \"" + ValeurVersion(bloc, cle) + "\")");
    }

    int32_t majeur = -1, mineur = -1;
    const char *categorie = nullptr;
    const char *titre = b.PrmDLL(&majeur, &mineur, &categorie);
    Verifier(titre && std::strcmp(titre, "Lumacrest (Orvelinque)") == 0, "PrmDLL donne le titre");
    Egal(majeur, 4, "PrmDLL : majeur");
    Egal(mineur, 0, "PrmDLL : mineur");
    Verifier(categorie && std::strcmp(categorie, "Couleurs") == 0, "PrmDLL : catégorie");

    int32_t index = 0;
    const char *c = b.AddMenu(&index);
    Verifier(c && std::strcmp(c, "Couleurs") == 0, "AddMenu(0) donne la catégorie");
    Egal(index, 9, "AddMenu(0) donne le nombre d'entrées");
    const char *legendes[] = {"Inversion",
                              "Ajustement manuel L, G, C, S",
                              "Ajustement des profils Gamma",
                              "Ajustement manuel Luminosit\xE9",
                              "Ajustement auto Luminosit\xE9",
                              "Ajustement auto Couleurs",
                              "Equilibrage",
                              "Grain ou Bruit",
                              "MonoChrome"};
    for (int32_t i = 1; i <= 9; ++i) {
        index = i;
        const char *l = b.AddMenu(&index);
        Verifier(l && std::strcmp(l, legendes[i - 1]) == 0 && index == i,
                 "AddMenu(" + std::to_string(i) + ")");
    }
    for (int32_t i : {10, -1}) {
        index = i;
        Verifier(b.AddMenu(&index) == nullptr && index == i, "AddMenu(" + std::to_string(i) + ") hors menu");
    }
}

// One case of the Linux library's results, under the host's environment (x87, sse).
void Comparer(Bibliotheque &b, const attendus::Cas &c, uint16_t x87, uint32_t sse,
              const std::string &sous) {
    const std::string nom = c.nom + sous;
    TPtImg *bloc = c.n > 0 ? NouveauBloc(c.n) : nullptr;
    if (c.n > 0 && !Verifier(bloc != nullptr, nom + " : allocation")) return;
    if (bloc) std::memcpy(bloc, c.entree.data(), c.entree.size());
    appels.clear();
    const uint16_t x87Avant = MotX87();
    const uint32_t sseAvant = MotSse();
    DefinirX87(x87);
    DefinirSse(sse);
    b.XchgData(c.operation, c.largeur, c.hauteur, bloc);
    const uint16_t x87Apres = MotX87();
    const uint32_t sseApres = MotSse() & ~0x3Fu; // the sticky flags are anyone's
    DefinirX87(x87Avant);
    DefinirSse(sseAvant);

    if (bloc)
        Verifier(std::memcmp(bloc, c.sortie.data(), c.sortie.size()) == 0,
                 nom + " : mêmes octets que sous Linux");
    Egal(References(bloc), bloc ? 1 : 0, nom + " : compte de références rendu");
    Verifier(x87Apres == x87, nom + " : mot de contrôle x87 rendu (" + Hex(x87Apres) + ")");
    Verifier(sseApres == (sse & ~0x3Fu), nom + " : registre SSE rendu (" + Hex(sseApres) + ")");
    if (Egal(appels.size(), c.appels.size(), nom + " : nombre de rappels")) {
        for (std::size_t i = 0; i < appels.size(); ++i) {
            Verifier(appels[i].contexte == &contexteRetour, nom + " : contexte du rappel");
            Verifier(appels[i].arguments == c.appels[i], nom + " : arguments 2 à 9 du rappel");
            Verifier(appels[i].x87 == x87 && (appels[i].sse & ~0x3Fu) == (sse & ~0x3Fu),
                     nom + " : l'hôte est rappelé dans son propre environnement (" +
                         Hex(appels[i].x87) + ")");
        }
    }
    Relacher(bloc);
}

void OperationsDirectes(Bibliotheque &b, const std::vector<attendus::Cas> &cas) {
    b.AdrRetour(reinterpret_cast<void *>(&Retour), &contexteRetour);
    const uint16_t propre = MotX87();
    const uint32_t sse = MotSse() & ~0x3Fu;
    for (const attendus::Cas &c : cas) {
        Comparer(b, c, propre, sse, "");
        // The host left the x87 unit at 53-bit precision: the same bytes all the same.
        Comparer(b, c, X87Double, sse, " (x87 53 bits)");
    }
    // A host with flush-to-zero and denormals-are-zero set.
    for (const attendus::Cas &c : cas)
        if (c.nom.rfind("photo op", 0) == 0) Comparer(b, c, X87Double, SseRapide, " (SSE FTZ/DAZ)");
}

// The host drops its own reference during the callback: the library holds the
// last one and frees the block, through the manager the host published.
void BlocLibereParLaBibliotheque(Bibliotheque &b) {
    static TPtImg *bloc = nullptr;
    bloc = NouveauBloc(6);
    for (int i = 0; i < 6; ++i) bloc[i] = {uint8_t(i), uint8_t(10 * i), uint8_t(200 - i)};
    const int avant = compteurs.liberations;
    void *entete = Entete(bloc);
    compteurs.liberes.clear();
    pendantAppel = [] { Relacher(bloc); };
    b.XchgData(1, 3, 2, bloc);
    pendantAppel = nullptr;
    Egal(compteurs.liberations - avant, 1, "la bibliothèque libère le bloc de l'hôte par son gestionnaire");
    Verifier(compteurs.liberes.size() == 1 && compteurs.liberes[0] == entete,
             "le bloc libéré est celui de l'hôte, par l'adresse de son compte de références");
}

void HorsMenu(Bibliotheque &b) {
    TPtImg *bloc = NouveauBloc(4);
    for (int i = 0; i < 4; ++i) bloc[i] = {1, 2, 3};
    for (uint32_t op : {0u, 10u, 4294967295u}) {
        appels.clear();
        b.XchgData(op, 2, 2, bloc);
        Verifier(appels.empty() && References(bloc) == 1 && bloc[3].Rouge == 3,
                 "opération " + std::to_string(op) + " : rien, aucun rappel");
    }
    appels.clear();
    b.XchgData(7, 2, 2, bloc, 2);
    Verifier(appels.empty(), "opération 7 mode 2 : rien");
    // The dialog operations are driven by velmora-dialoguestest.exe.
    Relacher(bloc);
}

// The menu and an inversion, enough to show that the library started.
void Fonctionne(Bibliotheque &b, const std::string &quoi) {
    int32_t index = 0;
    const char *c = b.AddMenu(&index);
    Verifier(c && std::strcmp(c, "Couleurs") == 0 && index == 9, quoi + " : le menu");
    // A block of the host's own heap, which the host keeps a reference to: the
    // library never frees it, whatever manager it uses.
    auto *entete = static_cast<int32_t *>(HeapAlloc(GetProcessHeap(), 0, 8 + 3));
    entete[0] = 1;
    entete[1] = 1;
    auto *pixel = reinterpret_cast<TPtImg *>(entete + 2);
    *pixel = {0, 100, 255};
    appels.clear();
    b.AdrRetour(reinterpret_cast<void *>(&Retour), &contexteRetour);
    b.XchgData(1, 1, 1, pixel);
    Verifier(pixel->Bleu == 255 && pixel->Vert == 155 && pixel->Rouge == 0 && appels.size() == 1 &&
                 entete[0] == 1,
             quoi + " : une inversion");
    HeapFree(GetProcessHeap(), 0, entete);
}

// The hourglass during a direct operation, in a host that has opened no dialog:
// the cursor actions are there from the library's load.
HCURSOR curseurPendant = nullptr;
void SablierSansDialogue(Bibliotheque &b) {
    b.AdrRetour(reinterpret_cast<void *>(&Retour), &contexteRetour);
    TPtImg *bloc = NouveauBloc(4);
    if (!Verifier(bloc != nullptr, "sablier : allocation")) return;
    for (int i = 0; i < 4; ++i) bloc[i] = {1, 2, 3};
    const HCURSOR sablier = LoadCursorA(nullptr, MAKEINTRESOURCEA(32514));  // IDC_WAIT
    const HCURSOR fleche = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));   // IDC_ARROW
    for (uint32_t op : {1u, 5u, 6u}) {
        SetCursor(fleche);
        curseurPendant = nullptr;
        pendantAppel = [] { curseurPendant = GetCursor(); };
        b.XchgData(op, 2, 2, bloc);
        pendantAppel = nullptr;
        Verifier(curseurPendant == sablier,
                 "opération " + std::to_string(op) + " sans dialogue ouvert : le sablier pendant le rappel");
        Verifier(GetCursor() == fleche, "opération " + std::to_string(op) + " : la flèche ensuite");
    }
    Relacher(bloc);
}

// Step 1: the host starts first and publishes at the first free candidate of
// the walk; the library finds it there and joins it. complet: every check of
// the exports and the operations too.
void HotePublieEnPremier(const std::vector<attendus::Cas> &cas, bool seize) {
    std::printf("-- l'hôte publie, la bibliothèque rejoint\n");
    long ou = -1;
    Page *page = Publier(&ou);
    if (!Verifier(page != nullptr, "l'hôte publie sa page")) return;
    std::printf("   page de l'hôte : %s\n", OuEst(ou).c_str());
    if (seize) Verifier(ou >= 16, "l'hôte publie sous les seize premiers candidats");
    Bibliotheque b;
    if (!Verifier(b.Charger("velmora.dll"), "LoadLibrary(\"velmora.dll\") et ses quatre exports"))
        return;
    Egal(int(page->utilisateurs), 2, "la bibliothèque a rejoint la page de l'hôte");
    if (!seize) {
        Exports(b);
        Identite(b);
        SablierSansDialogue(b);
        OperationsDirectes(b, cas);
        HorsMenu(b);
    } else {
        Fonctionne(b, "bibliothèque jointe sous les seize candidats");
    }
    BlocLibereParLaBibliotheque(b);
    b.Liberer();
    Egal(int(page->utilisateurs), 1, "la bibliothèque déchargée a quitté la page");
    Verifier(PageValide(reinterpret_cast<uintptr_t>(page)) == page, "la page de l'hôte reste en place");
    if (InterlockedDecrement(&page->utilisateurs) == 0) {
        VirtualFree(page, 0, MEM_RELEASE);
    }
    allouer = nullptr;
    liberer = nullptr;
}

// Step 2: the library starts first, in a host that does not take part yet, and
// publishes at the first free candidate of the walk; the host and a second
// copy of the library (another file name, another module) join it.
void BibliothequePublie(bool seize) {
    std::printf("-- la bibliothèque publie, l'hôte et une copie rejoignent\n");
    Bibliotheque b;
    if (!Verifier(b.Charger("velmora.dll"), "LoadLibrary(\"velmora.dll\")")) return;
    // Found by the plain walk: no candidate above it where a page could go.
    const long ou = page::PageSurLeParcours();
    Page *page = ou >= 0 ? PageValide(Candidat(ou)) : nullptr;
    if (!Verifier(page != nullptr, "page publiée au premier candidat libre du parcours")) return;
    std::printf("   page de la bibliothèque : %s\n", OuEst(ou).c_str());
    if (seize) Verifier(ou >= 16, "la bibliothèque publie sous les seize premiers candidats");
    Egal(int(page->utilisateurs), 1, "un utilisateur");
    Verifier(page->reserve0 == 0 && page->reserve1 == 0, "mots réservés à 0");
    MEMORY_BASIC_INFORMATION m{};
    VirtualQuery(reinterpret_cast<void *>(page->allouer), &m, sizeof m);
    Verifier(m.AllocationBase == b.module, "les entrées publiées sont le code de la bibliothèque");
    Fonctionne(b, "bibliothèque seule");

    Joindre(page);
    Egal(int(page->utilisateurs), 2, "l'hôte rejoint");
    b.AdrRetour(reinterpret_cast<void *>(&Retour), &contexteRetour);
    TPtImg *bloc = NouveauBloc(2);
    if (Verifier(bloc != nullptr, "l'hôte alloue par le gestionnaire publié")) {
        bloc[0] = {0, 100, 255};
        bloc[1] = {1, 2, 3};
        appels.clear();
        b.XchgData(1, 2, 1, bloc);
        Verifier(bloc[0].Bleu == 255 && bloc[0].Vert == 155 && bloc[0].Rouge == 0 && bloc[1].Rouge == 252,
                 "inversion sur un bloc du gestionnaire publié");
        Egal(References(bloc), 1, "compte rendu");
    }

    const std::string copie = Dossier() + "velmora-copie.dll";
    char original[MAX_PATH];
    GetModuleFileNameA(b.module, original, MAX_PATH);
    Bibliotheque b2;
    if (Verifier(CopyFileA(original, copie.c_str(), FALSE) && b2.Charger(copie.c_str()),
                 "une copie de la DLL sous un autre nom se charge") &&
        Verifier(b2.module != b.module, "la copie est un autre module")) {
        Egal(int(page->utilisateurs), 3, "la copie rejoint la page");
        int32_t majeur = -1, mineur = -1;
        Verifier(b2.PrmDLL(&majeur, &mineur, nullptr) && majeur == 4 && mineur == 0,
                 "la copie lit sa version dans son propre fichier");
        // The copy works on the block the host allocated through the publisher.
        appels.clear();
        b2.AdrRetour(reinterpret_cast<void *>(&Retour), &contexteRetour);
        b2.XchgData(1, 2, 1, bloc);
        Verifier(bloc && bloc[0].Bleu == 0 && appels.size() == 1, "la copie traite le même bloc");
        b2.Liberer();
        Egal(int(page->utilisateurs), 2, "la copie déchargée quitte la page");
        Verifier(PageValide(Candidat(ou)) == page, "la page reste à sa place");
    }
    DeleteFileA(copie.c_str());

    Relacher(bloc);
    InterlockedDecrement(&page->utilisateurs); // the host leaves before the publisher goes
    allouer = nullptr;
    liberer = nullptr;
    b.Liberer();
    Verifier(!PageValide(Candidat(ou)) && page::Disponible(ou),
             "le dernier utilisateur parti, la page est rendue au système");
}

// Step 3: a foreign region at the first free candidate is passed over.
void CandidatOccupe() {
    std::printf("-- candidat occupé par une autre région\n");
    const long libre = page::PremierDisponible();
    if (!Verifier(libre >= 0, "un candidat libre")) return;
    void *etranger = VirtualAlloc(reinterpret_cast<void *>(Candidat(libre)), page::Systeme().dwPageSize,
                                  MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!Verifier(etranger != nullptr, "région étrangère réservée")) return;
    std::memset(etranger, 0x5A, page::Systeme().dwPageSize);
    Bibliotheque b;
    if (Verifier(b.Charger("velmora.dll"), "LoadLibrary malgré la région étrangère")) {
        const long ou = page::PageSurLeParcours();
        Verifier(ou > libre, "page publiée plus bas, au candidat libre suivant (" + OuEst(ou) + ")");
        Verifier(static_cast<uint8_t *>(etranger)[0] == 0x5A, "la région étrangère est intacte");
        b.Liberer();
        Verifier(ou < 0 || page::Disponible(ou), "page rendue au déchargement");
    }
    VirtualFree(etranger, 0, MEM_RELEASE);
}

// Signs the page-sized memory at a for this process, as a publisher would.
void Signer(void *a) {
    auto *p = static_cast<Page *>(a);
    const uint32_t pid = GetCurrentProcessId();
    p->utilisateurs = 1;
    p->signature1[0] = pid ^ 0x4567FEEDu;
    p->signature1[1] = 0xBABE0123u;
    p->signature2[0] = pid ^ 0x3210B00Bu;
    p->signature2[1] = 0xF00D7654u;
}

// Step 3b, with the first 16 candidates taken: what stands at the first free
// candidate below them carries this process's signatures but is no page
// placed there (a view of a file, whose reading may fault, or memory inside
// an allocation based lower): the library neither reads nor joins it and
// publishes further down.
void PasUnePageSousLesSeize() {
    std::printf("-- sous les seize : une vue de fichier, l'intérieur d'une allocation\n");
    const DWORD taille = page::Systeme().dwPageSize;
    const long libre = page::PremierDisponible();
    if (!Verifier(libre >= 16, "un candidat libre sous les seize")) return;
    for (const bool vue : {true, false}) {
        const std::string quoi = vue ? "vue de fichier" : "intérieur d'une allocation";
        void *etranger = nullptr, *base = nullptr;
        HANDLE fichier = INVALID_HANDLE_VALUE, section = nullptr;
        std::string nom;
        if (vue) {
            char dossier[MAX_PATH], chemin[MAX_PATH];
            GetTempPathA(MAX_PATH, dossier);
            GetTempFileNameA(dossier, "vel", 0, chemin);
            nom = chemin;
            fichier = CreateFileA(chemin, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY, nullptr);
            section = fichier != INVALID_HANDLE_VALUE
                          ? CreateFileMappingA(fichier, nullptr, PAGE_READWRITE, 0, taille, nullptr)
                          : nullptr;
            base = etranger = section ? MapViewOfFileEx(section, FILE_MAP_WRITE, 0, 0, taille,
                                                        reinterpret_cast<void *>(Candidat(libre)))
                                      : nullptr;
        } else if (page::Disponible(libre + 1)) {
            // Two steps from the candidate below: the candidate lies inside.
            base = VirtualAlloc(reinterpret_cast<void *>(Candidat(libre + 1)),
                                SIZE_T(Candidat(libre) - Candidat(libre + 1)) + taille,
                                MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
            etranger = base ? reinterpret_cast<void *>(Candidat(libre)) : nullptr;
        }
        if (!Verifier(etranger == reinterpret_cast<void *>(Candidat(libre)), quoi + " placée au candidat " +
                                                                               std::to_string(libre)))
            continue;
        Signer(etranger);
        Bibliotheque b;
        if (Verifier(b.Charger("velmora.dll"), "LoadLibrary malgré la " + quoi)) {
            Egal(int(static_cast<Page *>(etranger)->utilisateurs), 1, quoi + " : pas rejointe");
            Fonctionne(b, "bibliothèque sous la " + quoi);
            b.Liberer();
        }
        Egal(int(static_cast<Page *>(etranger)->utilisateurs), 1, quoi + " : intacte après le déchargement");
        if (vue) {
            UnmapViewOfFile(base);
            CloseHandle(section);
            CloseHandle(fichier);
            DeleteFileA(nom.c_str());
        } else {
            VirtualFree(base, 0, MEM_RELEASE);
        }
    }
}

// Step 4, in a child process: the publisher unloaded while a copy still uses
// its manager ends the process at once, with exit code 0.
int EnfantEditeurParti() {
    Bibliotheque b, b2;
    const std::string copie = Dossier() + "velmora-enfant.dll";
    if (!b.Charger("velmora.dll")) return 3;
    if (!b2.Charger(copie.c_str())) return 4;
    b.Liberer();
    std::printf("encore en vie\n");
    return 5;
}

void EditeurPartiAvantLesAutres(bool seize) {
    std::printf("-- l'éditeur de la page part avant une copie\n");
    char exe[MAX_PATH];
    const std::string dll = Dossier() + "velmora.dll", copie = Dossier() + "velmora-enfant.dll";
    if (!Verifier(CopyFileA(dll.c_str(), copie.c_str(), FALSE), "copie pour l'enfant")) return;
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string ligne = std::string("\"") + exe + "\" --enfant-editeur-parti" + (seize ? " seize" : "");
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (Verifier(CreateProcessA(exe, ligne.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi),
                 "processus enfant lancé")) {
        WaitForSingleObject(pi.hProcess, 60000);
        DWORD code = 99;
        GetExitCodeProcess(pi.hProcess, &code);
        Egal(uint32_t(code), 0u, "le processus se termine aussitôt, code 0");
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    DeleteFileA(copie.c_str());
}

void Parcours(const std::vector<attendus::Cas> &cas, bool seize) {
    HotePublieEnPremier(cas, seize);
    BibliothequePublie(seize);
    CandidatOccupe();
    if (seize) PasUnePageSousLesSeize();
    EditeurPartiAvantLesAutres(seize);
}

} // namespace

int main(int argc, char **argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--enfant-editeur-parti") == 0) {
        if (argc == 3) page::OccuperLesSeize();
        return EnfantEditeurParti();
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage : velmora-hosttest.exe FICHIER_ATTENDUS\n");
        return 2;
    }
    std::vector<attendus::Cas> cas;
    std::string erreur;
    Verifier(attendus::Lire(argv[1], cas, erreur) && !cas.empty(),
             "résultats de la bibliothèque Linux lus " + erreur);

    std::printf("== l'espace d'adressage tel que le système le laisse\n");
    Parcours(cas, false);
    std::printf("== les seize premiers candidats pris par l'hôte\n");
    auto prises = page::OccuperLesSeize();
    Verifier(page::PremierDisponible() >= 16, "aucun des seize premiers candidats n'est libre");
    Parcours(cas, true);
    page::Rendre(prises);

    std::printf("%d passed, %d failed\n", reussis, echoues);
    return echoues == 0 ? 0 : 1;
}
