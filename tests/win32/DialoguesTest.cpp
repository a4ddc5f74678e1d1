// velmora-dialoguestest.exe: a Win32 console host that opens velmora.dll's
// dialogs and drives them from a second thread as a user would (controls found
// by their "objectName" property: sliders moved, buttons clicked, drags on the
// pictures, keys pressed), then checks the host's pixels and callbacks against
// what the Linux library gave for the same scenario, the form as the system
// shows it, the file, colour and input boxes, and saves a screenshot of each
// dialog. Needs a display (./test runs it under xvfb-run).
//   velmora-dialoguestest.exe EXPECTED_FILE SCREENSHOT_FOLDER   prints "N passed, M failed"
#include "Attendus.h"
#include "PagePartagee.h"
#include "Scenarios.h"

#include <velmora/plugin.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// --- Checks -------------------------------------------------------------------

std::mutex verrou;
int reussis = 0, echoues = 0;

bool Verifier(bool ok, const std::string &quoi) {
    std::lock_guard<std::mutex> l(verrou);
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

// --- The library and the callback -----------------------------------------------

using FnAdrRetour = void(__stdcall *)(void *, void *);
using FnXchgData = void(__stdcall *)(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, int32_t,
                                     int32_t, uint32_t, uint32_t, TPtImg *, TPtImg *, uint32_t,
                                     uint32_t);
FnXchgData xchgData = nullptr;

std::vector<std::array<int32_t, 8>> appels;
int contexteRetour;

void __stdcall Retour(void *contexte, int32_t largeur, int32_t hauteur, int32_t r1, int32_t r2,
                      int32_t zone, int32_t zero, int32_t modifiee, int32_t fin) {
    Verifier(contexte == &contexteRetour, "contexte du rappel");
    appels.push_back({largeur, hauteur, r1, r2, zone, zero, modifiee & 0xFF, fin});
}

// The host's array: a counted block of its own heap. The host keeps its
// reference throughout, so the library never frees it.
TPtImg *NouveauBloc(int32_t n) {
    auto *b = static_cast<int32_t *>(HeapAlloc(GetProcessHeap(), 0, SIZE_T(8 + 3 * n)));
    b[0] = 1;
    b[1] = n;
    return reinterpret_cast<TPtImg *>(b + 2);
}
int32_t References(TPtImg *p) { return reinterpret_cast<int32_t *>(p)[-2]; }
// Never freed: a dialog keeps its reference until its next opening, and
// releases it then.
void Liberer(TPtImg *) {}

// --- Finding windows by name ----------------------------------------------------

const char *Nom(HWND h) { return static_cast<const char *>(GetPropA(h, "objectName")); }

struct Recherche {
    const char *nom;
    HWND trouve = nullptr;
};

BOOL CALLBACK ChercherEnfant(HWND h, LPARAM l) {
    auto *r = reinterpret_cast<Recherche *>(l);
    const char *n = Nom(h);
    if (n && std::strcmp(n, r->nom) == 0) {
        r->trouve = h;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK ChercherForme(HWND h, LPARAM l) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(h)) return TRUE;
    return ChercherEnfant(h, l);
}

HWND Forme(const char *nom) {
    Recherche r{nom};
    EnumWindows(ChercherForme, LPARAM(&r));
    return r.trouve;
}

HWND Controle(HWND forme, const char *nom) {
    Recherche r{nom};
    EnumChildWindows(forme, ChercherEnfant, LPARAM(&r));
    return r.trouve;
}

bool Attendre(const std::function<bool()> &condition, int ms = 10000) {
    for (int t = 0; t < ms; t += 20) {
        if (condition()) return true;
        Sleep(20);
    }
    return condition();
}

HWND AttendreForme(const char *nom) {
    HWND h = nullptr;
    Attendre([&] { return (h = Forme(nom)) != nullptr; });
    return h;
}

// A system box of this process (file, colour, message, input), other than the forms.
struct RechercheBoite {
    HWND exclue;
    HWND trouve = nullptr;
};
BOOL CALLBACK ChercherBoite(HWND h, LPARAM l) {
    auto *r = reinterpret_cast<RechercheBoite *>(l);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    char classe[16] = {};
    GetClassNameA(h, classe, sizeof classe);
    if (pid == GetCurrentProcessId() && h != r->exclue && IsWindowVisible(h) &&
        std::strcmp(classe, "#32770") == 0) {
        r->trouve = h;
        return FALSE;
    }
    return TRUE;
}
HWND AttendreBoite(HWND exclue) {
    RechercheBoite r{exclue};
    Attendre([&] {
        r.trouve = nullptr;
        EnumWindows(ChercherBoite, LPARAM(&r));
        return r.trouve != nullptr;
    });
    return r.trouve;
}

std::string Texte(HWND h) {
    char t[512] = {};
    GetWindowTextA(h, t, sizeof t);
    return t;
}

// --- Screenshots ------------------------------------------------------------------

// The window as the screen shows it, in a 24-bit BMP file.
bool Capturer(HWND h, const std::string &chemin) {
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);
    RECT r;
    GetWindowRect(h, &r);
    const int l = r.right - r.left, ht = r.bottom - r.top;
    if (l <= 0 || ht <= 0) return false;
    HDC ecran = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(ecran);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = l;
    bi.bmiHeader.biHeight = ht;  // bottom-up, as BMP files are
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void *bits = nullptr;
    HBITMAP bmp = CreateDIBSection(ecran, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ avant = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, l, ht, ecran, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD ligne = DWORD((l * 3 + 3) & ~3), taille = ligne * DWORD(ht);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + taille;
    bool ok = false;
    if (std::FILE *f = std::fopen(chemin.c_str(), "wb")) {
        ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 &&
             std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 &&
             std::fwrite(bits, 1, taille, f) == taille;
        ok = std::fclose(f) == 0 && ok;
    }
    SelectObject(mem, avant);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, ecran);
    return ok;
}

std::string dossierCaptures;
std::map<std::string, bool> captures;  // one screenshot per form

// --- Playing a scenario -------------------------------------------------------------

// Operation 7, mode 1: a zone of the image sent while the modeless dialog is
// open, from the host's thread (the driver asks it through a thread message).
constexpr UINT MessageZone = WM_APP + 1;
DWORD filHote = 0;
TPtImg *imageCourante = nullptr;
int32_t zoneDemandee = 0;
std::atomic<bool> zoneFaite{false};

void Zone() {
    TPtImg *zone = NouveauBloc(zoneDemandee);
    std::memcpy(zone, imageCourante, std::size_t(zoneDemandee) * 3);
    xchgData(7, 0, 0, 0, 0, 0, 0, 1, 0, zone, imageCourante, 0, 0);
    zoneFaite = true;
}

HWND FocusDe(HWND forme) {
    GUITHREADINFO g{};
    g.cbSize = sizeof g;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(forme, nullptr), &g) && g.hwndFocus &&
        (g.hwndFocus == forme || IsChild(forme, g.hwndFocus)))
        return g.hwndFocus;
    return forme;
}

bool Jouer(HWND f, const scenarios::Action &a, const std::string &quoi) {
    using G = scenarios::Geste;
    HWND c = a.controle ? Controle(f, a.controle) : nullptr;
    if (a.controle && !Verifier(c != nullptr, quoi + " : contrôle " + a.controle + " trouvé par son nom"))
        return false;
    switch (a.geste) {
    case G::Curseur: {
        // As the track bar does when the user moves it: the position, the
        // notices to its parent, then the button released on it.
        SendMessageA(c, TBM_SETPOS, TRUE, a.a);
        SendMessageA(GetParent(c), WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, WORD(a.a)), LPARAM(c));
        SendMessageA(GetParent(c), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), LPARAM(c));
        SendMessageA(c, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
        break;
    }
    case G::Clic:
        SendMessageA(c, BM_CLICK, 0, 0);
        break;
    case G::Liste:
        SendMessageA(c, CB_SETCURSEL, WPARAM(a.a), 0);
        SendMessageA(GetParent(c), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c), CBN_SELCHANGE), LPARAM(c));
        break;
    case G::Glisser:
        SendMessageA(c, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(a.a, a.b));
        for (int i = 1; i <= 4; ++i)
            SendMessageA(c, WM_MOUSEMOVE, MK_LBUTTON,
                         MAKELPARAM(a.a + (a.c - a.a) * i / 4, a.b + (a.d - a.b) * i / 4));
        SendMessageA(c, WM_LBUTTONUP, 0, MAKELPARAM(a.c, a.d));
        break;
    case G::FinDeBoucle:
        // The host's thread told to quit: the dialog's loop ends under it.
        PostThreadMessageA(filHote, WM_QUIT, 0, 0);
        break;
    case G::DoubleClic: {
        // The picture's class asks the system for double clicks; then the
        // messages a double click brings, the second press as WM_LBUTTONDBLCLK.
        Verifier(GetClassLongA(c, GCL_STYLE) & CS_DBLCLKS, quoi + " : " + a.controle + " reçoit les doubles clics");
        const LPARAM p = MAKELPARAM(a.a, a.b);
        SendMessageA(c, WM_LBUTTONDOWN, MK_LBUTTON, p);
        SendMessageA(c, WM_LBUTTONUP, 0, p);
        SendMessageA(c, WM_LBUTTONDBLCLK, MK_LBUTTON, p);
        SendMessageA(c, WM_LBUTTONUP, 0, p);
        break;
    }
    case G::Zone:
        zoneDemandee = a.a;
        zoneFaite = false;
        PostThreadMessageA(filHote, MessageZone, 0, 0);
        // The first of two zones brings an information box: answered.
        Verifier(Attendre([&] {
                     if (zoneFaite) return true;
                     RechercheBoite r{f};
                     EnumWindows(ChercherBoite, LPARAM(&r));
                     if (r.trouve) PostMessageA(r.trouve, WM_COMMAND, IDOK, 0);
                     return false;
                 }, 5000),
                 quoi + " : zone reçue");
        break;
    case G::Touche: {
        // Through the dialog's own message loop, to the control that has the focus.
        HWND cible = FocusDe(f);
        const WPARAM vk = a.a == 0 ? VK_RETURN : VK_ESCAPE;
        PostMessageA(cible, WM_KEYDOWN, vk, 1);
        PostMessageA(cible, WM_KEYUP, vk, 0xC0000001);
        break;
    }
    }
    return true;
}

// Runs XchgData on the main thread while `pilote` drives the form from another;
// if the driver gives up, the form is closed so that XchgData returns.
void Ouvrir(uint32_t op, int32_t l, int32_t h, TPtImg *bloc, const char *forme,
            const std::function<void(HWND)> &pilote, const std::string &quoi) {
    std::atomic<bool> fini{false}, pilote_fini{false};
    std::thread t([&] {
        HWND f = AttendreForme(forme);
        if (Verifier(f != nullptr, quoi + " : la forme " + forme + " s'ouvre")) pilote(f);
        // Whatever happened, the dialog must end.
        if (!Attendre([&] { return fini.load() && !Forme(forme); }, 15000)) {
            Verifier(false, quoi + " : le dialogue reste ouvert");
            while (!fini || Forme(forme)) {
                if (HWND g = Forme(forme)) PostMessageA(g, WM_CLOSE, 0, 0);
                Sleep(200);
            }
        }
        pilote_fini = true;
    });
    xchgData(op, 0, 0, 0, 0, l, h, 0, 0, bloc, nullptr, 0, 0);
    fini = true;
    // A modeless dialog lives on in the host's own message loop.
    while (!pilote_fini) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == MessageZone && !m.hwnd) {
                Zone();
                continue;
            }
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    t.join();
    // A loop ended by WM_QUIT passes it on to the host's; this host has no use for it.
    MSG m;
    while (PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void Fenetre(HWND f, const char *nom, const char *titre1252, int l, int h, bool dessus,
             const std::vector<const char *> &controles);
void TextesEntiers(HWND f, const std::string &q);
void PasDesCurseurs(HWND f, const std::string &q);

// Each form as the system must show it: caption (Windows-1252), client size, on top.
struct FormeAttendue {
    const char *titre;
    int largeur, hauteur;
    bool dessus;
};
const std::map<std::string, FormeAttendue> formes = {
    {"AjustCoul", {"Ajustement des param\xE8tres d'image", 642, 344, false}},
    {"ProfGamma", {"Ajustement du profil du Gamma", 606, 380, true}},
    {"AjustLumManu", {"Ajustement du profil du Gamma", 606, 380, true}},
    {"BalCoul", {"Balance des couleurs", 316, 266, true}},
    {"AjoutGrain", {"Ajout de Grain ou de Bruit dans l'image", 330, 175, false}},
    {"MonoCouleur", {"R\xE9" "alisation de Monochrome", 606, 380, true}},
};

void Scenario(const attendus::Cas &attendu, const scenarios::Scenario &s) {
    const std::string quoi = s.nom;
    const DWORD debut = GetTickCount();
    TPtImg *bloc = NouveauBloc(attendu.n);
    std::memcpy(bloc, attendu.entree.data(), attendu.entree.size());
    appels.clear();
    imageCourante = bloc;
    Ouvrir(s.operation, attendu.largeur, attendu.hauteur, bloc, s.forme, [&](HWND f) {
        for (std::size_t i = 0; i < s.actions.size(); ++i) {
            if (i + 1 == s.actions.size() && !captures[s.forme]) {
                captures[s.forme] = true;
                const auto it = formes.find(s.forme);
                if (Verifier(it != formes.end(), quoi + " : forme connue"))
                    Fenetre(f, s.forme, it->second.titre, it->second.largeur, it->second.hauteur,
                            it->second.dessus, {"Annuler", "Appliquer"});
                TextesEntiers(f, quoi);
                PasDesCurseurs(f, quoi);
                Verifier(Capturer(f, dossierCaptures + "\\dialogue-" + s.forme + ".bmp"),
                         quoi + " : capture d'écran");
            }
            if (!Jouer(f, s.actions[i], quoi)) return;
        }
        Verifier(Attendre([&] { return !IsWindowVisible(f); }), quoi + " : le dialogue se ferme");
    }, quoi);
    Verifier(std::memcmp(bloc, attendu.sortie.data(), attendu.sortie.size()) == 0,
             quoi + " : pixels de l'hôte identiques à ceux de Linux");
    // The dialogs with a preview leave every byte when closed without "Appliquer".
    const scenarios::Action &fin = s.actions.back();
    const bool sansAppliquer = fin.geste == scenarios::Geste::Touche
                                   ? fin.a == 1
                                   : fin.geste == scenarios::Geste::FinDeBoucle ||
                                         (fin.controle && std::strcmp(fin.controle, "Annuler") == 0);
    if (sansAppliquer && s.operation != 7 && s.operation != 8)
        Verifier(std::memcmp(bloc, attendu.entree.data(), attendu.entree.size()) == 0,
                 quoi + " : aucun octet de l'hôte ne change");
    // The dialog keeps its reference on the host's array until its next opening.
    Egal(References(bloc), 2, quoi + " : la référence du dialogue reste jusqu'à la prochaine ouverture");
    if (Egal(appels.size(), attendu.appels.size(), quoi + " : nombre de rappels"))
        for (std::size_t i = 0; i < appels.size(); ++i)
            Verifier(appels[i] == attendu.appels[i], quoi + " : arguments du rappel " + std::to_string(i));
    Liberer(bloc);
    std::printf("   %s : %lu ms\n", s.nom, static_cast<unsigned long>(GetTickCount() - debut));
}

// --- The form as the system shows it ----------------------------------------------

std::string FaceDe(HWND c) {
    HFONT p = reinterpret_cast<HFONT>(SendMessageA(c, WM_GETFONT, 0, 0));
    HDC dc = GetDC(c);
    HGDIOBJ avant = SelectObject(dc, p);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof face, face);
    SelectObject(dc, avant);
    ReleaseDC(c, dc);
    return face;
}

int CALLBACK CompterPolice(const LOGFONTA *, const TEXTMETRICA *, DWORD, LPARAM l) {
    ++*reinterpret_cast<int *>(l);
    return 0;
}
bool PoliceExiste(const char *face) {
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    int n = 0;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExA(dc, &lf, CompterPolice, LPARAM(&n), 0);
    ReleaseDC(nullptr, dc);
    return n > 0;
}

void Fenetre(HWND f, const char *nom, const char *titre1252, int l, int h, bool dessus,
             const std::vector<const char *> &controles) {
    const std::string q = std::string("forme ") + nom;
    Verifier(Texte(f) == titre1252, q + " : titre (Windows-1252)");
    RECT r;
    GetClientRect(f, &r);
    Egal(int(r.right), l, q + " : largeur de la zone cliente");
    Egal(int(r.bottom), h, q + " : hauteur de la zone cliente");
    const LONG style = GetWindowLongA(f, GWL_STYLE), etendu = GetWindowLongA(f, GWL_EXSTYLE);
    Verifier((style & WS_CAPTION) == WS_CAPTION && !(style & WS_SYSMENU) &&
                 !(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)),
             q + " : bord de dialogue, ni menu système ni boutons");
    Egal(bool(etendu & WS_EX_TOPMOST), dessus, q + " : au premier plan");
    RECT fr, travail;
    GetWindowRect(f, &fr);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &travail, 0);
    Verifier(std::abs((fr.left + fr.right) - (travail.left + travail.right)) <= 2 &&
                 std::abs((fr.top + fr.bottom) - (travail.top + travail.bottom)) <= 2,
             q + " : centrée sur l'écran");
    for (const char *c : controles) {
        HWND h = Controle(f, c);
        if (Verifier(h != nullptr, q + " : contrôle " + c + " nommé")) {
            if (std::strcmp(c, "Appliquer") == 0 && PoliceExiste("MS Sans Serif"))
                Verifier(FaceDe(h) == "MS Sans Serif", q + " : police MS Sans Serif (" + FaceDe(h) + ")");
        }
    }
}

// Every text of a form fits the room the form leaves it, measured with its
// control's font: from a label's (or a lone radio button's) left edge to the
// next control on its right that meets its line (pictures excepted: the
// picker's weights stand on its corners) or its parent's edge; a button, a
// group or a radio item its own width; a list's every item its text field.
struct Place {
    HWND h;
    RECT r;  // in the parent's client coordinates
};
RECT DansParent(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT *>(&r), 2);
    return r;
}
BOOL CALLBACK AjouterEnfant(HWND h, LPARAM l) {
    reinterpret_cast<std::vector<HWND> *>(l)->push_back(h);
    return TRUE;
}
int Largeur(HWND h, const std::string &texte) {
    HFONT p = reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0));
    HDC dc = GetDC(h);
    HGDIOBJ avant = SelectObject(dc, p);
    SIZE t{};
    GetTextExtentPoint32A(dc, texte.c_str(), int(texte.size()), &t);
    SelectObject(dc, avant);
    ReleaseDC(h, dc);
    return int(t.cx);
}
int PlaceSurLaLigne(HWND h, const std::vector<HWND> &tous) {
    const RECT r = DansParent(h);
    RECT parent;
    GetClientRect(GetParent(h), &parent);
    LONG bord = parent.right;
    for (HWND o : tous) {
        if (o == h || GetParent(o) != GetParent(h)) continue;
        char classe[32] = {};
        GetClassNameA(o, classe, sizeof classe);
        if (std::strcmp(classe, "VelmoraImage") == 0) continue;
        const RECT q = DansParent(o);
        if (q.left > r.left && q.top < r.bottom && r.top < q.bottom) bord = std::min(bord, q.left);
    }
    return int(bord - r.left);
}
void TextesEntiers(HWND f, const std::string &q) {
    std::vector<HWND> tous;
    EnumChildWindows(f, AjouterEnfant, LPARAM(&tous));
    for (HWND h : tous) {
        const char *nom = Nom(h);
        if (!nom) continue;
        char classe[32] = {};
        GetClassNameA(h, classe, sizeof classe);
        const std::string texte = Texte(h), quoi = q + " : " + nom + " \"" + texte + "\" tient";
        RECT r;
        GetClientRect(h, &r);
        const LONG style = GetWindowLongA(h, GWL_STYLE);
        const int cocher = GetSystemMetrics(SM_CXMENUCHECK) + 4;
        if (_stricmp(classe, "Static") == 0 && !texte.empty()) {
            Verifier(Largeur(h, texte) <= PlaceSurLaLigne(h, tous), quoi);
        } else if (_stricmp(classe, "Button") == 0 && !texte.empty()) {
            const LONG genre = style & BS_TYPEMASK;
            if (genre == BS_RADIOBUTTON || genre == BS_AUTOCHECKBOX) {
                char parent[32] = {};
                GetClassNameA(GetParent(h), parent, sizeof parent);
                // An item of a radio group has its own width; a lone one its line.
                const bool item = _stricmp(parent, "Button") == 0;
                Verifier(cocher + Largeur(h, texte) <= (item ? int(r.right) : PlaceSurLaLigne(h, tous)),
                         quoi);
            } else if (genre == BS_GROUPBOX) {
                Verifier(Largeur(h, texte) + 16 <= int(r.right), quoi);
            } else {
                const int image = genre == BS_OWNERDRAW ? 20 : 0;
                Verifier(Largeur(h, texte) + image + 8 <= int(r.right), quoi);
            }
        } else if (_stricmp(classe, "ComboBox") == 0) {
            COMBOBOXINFO ci{};
            ci.cbSize = sizeof ci;
            if (!Verifier(GetComboBoxInfo(h, &ci) != 0, q + " : " + nom + " : GetComboBoxInfo")) continue;
            const int champ = int(ci.rcItem.right - ci.rcItem.left);
            const int n = int(SendMessageA(h, CB_GETCOUNT, 0, 0));
            for (int i = 0; i < n; ++i) {
                char e[256] = {};
                SendMessageA(h, CB_GETLBTEXT, WPARAM(i), LPARAM(e));
                Verifier(Largeur(h, e) <= champ, q + " : " + nom + " \"" + e + "\" tient");
            }
        }
    }
}

// Every slider moves by 2 a page (PageUp, a click beside the thumb) and 1 a
// line (an arrow key), as on Linux.
void PasDesCurseurs(HWND f, const std::string &q) {
    std::vector<HWND> tous;
    EnumChildWindows(f, AjouterEnfant, LPARAM(&tous));
    for (HWND h : tous) {
        char classe[32] = {};
        GetClassNameA(h, classe, sizeof classe);
        if (_stricmp(classe, TRACKBAR_CLASSA) != 0 || !Nom(h)) continue;
        Egal(int(SendMessageA(h, TBM_GETPAGESIZE, 0, 0)), 2, q + " : " + Nom(h) + " : pas d'une page");
        Egal(int(SendMessageA(h, TBM_GETLINESIZE, 0, 0)), 1, q + " : " + Nom(h) + " : pas d'une ligne");
    }
}

// --- Operation 2 -------------------------------------------------------------------

HWND hote = nullptr;  // a window of the host's, disabled while a modal dialog runs

void AjustCoulForme() {
    std::printf("-- op 2 : la forme\n");
    TPtImg *bloc = NouveauBloc(6);
    std::memset(bloc, 90, 18);
    appels.clear();
    Ouvrir(2, 3, 2, bloc, "AjustCoul", [&](HWND f) {
        Fenetre(f, "AjustCoul", "Ajustement des param\xE8tres d'image", 642, 344, false,
                {"CadreAff", "PreVisu", "Label1", "PosGamma", "ValG", "PosContraste", "ValC",
                 "PosLuminosite", "ValL", "PosSaturation", "ValS", "ReInit", "Annuler", "Appliquer"});
        Verifier(!IsWindowEnabled(hote), "op 2 : la fenêtre de l'hôte est désactivée pendant le dialogue");
        HWND g = Controle(f, "PosGamma");
        Egal(int(SendMessageA(g, TBM_GETRANGEMIN, 0, 0)), -50, "PosGamma : Min");
        Egal(int(SendMessageA(g, TBM_GETRANGEMAX, 0, 0)), 50, "PosGamma : Max");
        Egal(int(SendMessageA(g, TBM_GETPOS, 0, 0)), 0, "PosGamma : Position");
        // Ticks every 5 from -50 to 50: 21, the two ends included.
        Egal(int(SendMessageA(g, TBM_GETNUMTICS, 0, 0)), 21, "PosGamma : graduations tous les 5");
        const LONG st = GetWindowLongA(g, GWL_STYLE);
        Verifier((st & TBS_AUTOTICKS) && !(st & TBS_TOP) && !(st & TBS_VERT),
                 "PosGamma : horizontale, graduations dessous");
        // The tab order of the table.
        {
            const char *ordre[] = {"PosGamma", "PosContraste", "PosLuminosite", "ReInit",
                                   "Annuler", "Appliquer", "PosSaturation", "PosGamma"};
            HWND c = Controle(f, ordre[0]);
            std::string suite = Nom(c);
            for (std::size_t i = 1; i < std::size(ordre); ++i) {
                c = GetNextDlgTabItem(f, c, FALSE);
                suite += std::string(" ") + (c && Nom(c) ? Nom(c) : "?");
            }
            Verifier(suite == "PosGamma PosContraste PosLuminosite ReInit Annuler Appliquer "
                              "PosSaturation PosGamma",
                     "op 2 : ordre de tabulation : " + suite);
        }
        // The picture sits centred in the frame: 3 x 2 unscaled.
        RECT r;
        GetWindowRect(Controle(f, "PreVisu"), &r);
        MapWindowPoints(nullptr, Controle(f, "CadreAff"), reinterpret_cast<POINT *>(&r), 2);
        Verifier(r.left == 159 && r.top == 160 && r.right - r.left == 3 && r.bottom - r.top == 2,
                 "PreVisu placée au centre du cadre, à la taille de la vignette");
        // The keyboard moves a slider too: End puts it at Max and tells the dialog.
        const std::string avant = Texte(Controle(f, "ValG"));
        PostMessageA(g, WM_KEYDOWN, VK_END, 1);
        PostMessageA(g, WM_KEYUP, VK_END, 0xC0000001);
        Verifier(Attendre([&] { return SendMessageA(g, TBM_GETPOS, 0, 0) == 50 && Texte(Controle(f, "ValG")) != avant; }, 3000),
                 "PosGamma au clavier : position et étiquette suivent (" + Texte(Controle(f, "ValG")) + ")");
        SendMessageA(Controle(f, "Annuler"), BM_CLICK, 0, 0);
        Verifier(Attendre([&] { return !IsWindowVisible(f); }), "op 2 : Annuler ferme");
    }, "op 2 forme");
    Verifier(IsWindowEnabled(hote), "op 2 : la fenêtre de l'hôte est réactivée après");
    Verifier(bloc[0].Bleu == 90 && bloc[5].Rouge == 90, "op 2 : Annuler laisse les pixels");
    Verifier(appels.size() == 1 && appels[0] == std::array<int32_t, 8>{3, 2, 0, 0, 0, 0, 0, 1},
             "op 2 : Annuler, un rappel ImageModifiee 0, Fin 1");
    Liberer(bloc);
}

// --- Operation 9: list, deferred call, colour and input boxes, files ---------------------

int32_t Compte(HWND liste) { return int32_t(SendMessageA(liste, CB_GETCOUNT, 0, 0)); }
int32_t Selection(HWND liste) { return int32_t(SendMessageA(liste, CB_GETCURSEL, 0, 0)); }

// Types a name in the file box's name field and confirms.
void TaperNomFichier(HWND boite, const std::string &nom) {
    HWND champ = GetDlgItem(boite, 0x480);  // edt1
    if (!champ) champ = GetDlgItem(boite, 0x47C);  // cmb13
    Verifier(champ != nullptr, "boîte de fichier : champ du nom");
    SendMessageA(champ, WM_SETTEXT, 0, LPARAM(nom.c_str()));
    PostMessageA(boite, WM_COMMAND, IDOK, 0);
}

std::string Lire(const std::string &chemin) {
    std::string s;
    if (std::FILE *f = std::fopen(chemin.c_str(), "rb")) {
        char t[256];
        std::size_t n;
        while ((n = std::fread(t, 1, sizeof t, f)) > 0) s.append(t, n);
        std::fclose(f);
    }
    return s;
}

std::string DossierExe() {
    char c[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, c, MAX_PATH);
    std::string s(c, n);
    return s.substr(0, s.find_last_of("\\/"));
}

void MonoCouleurBoites() {
    std::printf("-- op 9 : la forme, les boîtes\n");
    TPtImg *bloc = NouveauBloc(16);
    std::memset(bloc, 77, 48);
    appels.clear();
    const std::string fichier = DossierExe() + "\\teinte-essai.uni";
    DeleteFileA(fichier.c_str());
    Ouvrir(9, 4, 4, bloc, "MonoCouleur", [&](HWND f) {
        Fenetre(f, "MonoCouleur", "R\xE9" "alisation de Monochrome", 606, 380, true,
                {"CadreAff", "PreVisu", "FiltreImage", "ChoixCoul", "CoeffR", "CoeffV", "CoeffB",
                 "MonoChr", "ChoixTeinte", "ChargTeinte", "EnrgTeinte", "ReInit", "Annuler",
                 "Appliquer"});
        // Dragged out of the disc, the picker puts the mouse back on its circle.
        HWND choix = Controle(f, "ChoixCoul");
        SendMessageA(choix, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(104, 104));
        SendMessageA(choix, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(4, 4));
        const auto demande = reinterpret_cast<uintptr_t>(GetPropA(choix, "PointCurseur"));
        POINT voulu{int16_t(LOWORD(demande)), int16_t(HIWORD(demande))}, reel{};
        const bool surCercle = demande != 0 && voulu.x > 4 && voulu.y > 4 && voulu.x < 104;
        ClientToScreen(choix, &voulu);
        Attendre([&] {
            GetCursorPos(&reel);
            return reel.x == voulu.x && reel.y == voulu.y;
        }, 2000);
        Verifier(surCercle && reel.x == voulu.x && reel.y == voulu.y,
                 "sélecteur : la souris est remise sur le cercle (SetCursorPos) : demandé " +
                     std::to_string(voulu.x) + "," + std::to_string(voulu.y) + ", souris en " +
                     std::to_string(reel.x) + "," + std::to_string(reel.y));
        SendMessageA(choix, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));

        HWND liste = Controle(f, "ChoixTeinte");
        const int32_t n = Compte(liste);
        Egal(n, 15, "ChoixTeinte : quinze teintes");
        Egal(Selection(liste), 0, "ChoixTeinte : la première choisie");

        // A tint of the list, then "Autre teinte ..." (the last): the colour box
        // opens from the deferred call; cancelled, the list goes back.
        SendMessageA(liste, CB_SETCURSEL, 4, 0);
        SendMessageA(f, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(liste), CBN_SELCHANGE), LPARAM(liste));
        SendMessageA(liste, CB_SETCURSEL, WPARAM(n - 1), 0);
        PostMessageA(GetParent(liste), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(liste), CBN_SELCHANGE),
                     LPARAM(liste));
        HWND couleur = AttendreBoite(f);
        if (Verifier(couleur != nullptr, "Autre teinte : la boîte de couleur s'ouvre (message 0x500)")) {
            Verifier(!(GetWindowLongA(f, GWL_EXSTYLE) & WS_EX_TOPMOST),
                     "la forme quitte le premier plan pendant la boîte");
            PostMessageA(couleur, WM_COMMAND, IDCANCEL, 0);
            Verifier(Attendre([&] { return !IsWindow(couleur) || !IsWindowVisible(couleur); }),
                     "boîte de couleur annulée");
            Verifier(Attendre([&] { return Selection(liste) == 4; }, 3000),
                     "annulée : la liste revient à la teinte d'avant");
            Verifier(Attendre([&] { return (GetWindowLongA(f, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }, 3000),
                     "la forme revient au premier plan");
        }
        // Confirmed (black), then named in the input box: a new entry before the last.
        SendMessageA(liste, CB_SETCURSEL, WPARAM(n - 1), 0);
        PostMessageA(GetParent(liste), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(liste), CBN_SELCHANGE),
                     LPARAM(liste));
        couleur = AttendreBoite(f);
        if (Verifier(couleur != nullptr, "Autre teinte : la boîte de couleur s'ouvre encore")) {
            PostMessageA(couleur, WM_COMMAND, IDOK, 0);
            HWND saisie = nullptr;
            Attendre([&] {
                saisie = AttendreBoite(f);
                return saisie && saisie != couleur && Nom(saisie);
            });
            if (Verifier(saisie && Nom(saisie) && std::strcmp(Nom(saisie), "Saisie") == 0,
                         "la boîte de saisie s'ouvre")) {
                Verifier(Texte(saisie) == "Nouvelle teinte", "boîte de saisie : titre");
                Verifier(Texte(GetDlgItem(saisie, 100)) == "Teinte", "boîte de saisie : valeur proposée");
                SetDlgItemTextA(saisie, 100, "Noir d'essai");
                PostMessageA(saisie, WM_COMMAND, IDOK, 0);
                Verifier(Attendre([&] { return Compte(liste) == n + 1; }, 5000),
                         "la teinte saisie entre dans la liste");
                char t[128] = {};
                SendMessageA(liste, CB_GETLBTEXT, WPARAM(Selection(liste)), LPARAM(t));
                Verifier(std::string(t).rfind("Noir d'essai", 0) == 0 && Selection(liste) == n - 1,
                         std::string("la teinte saisie est choisie : ") + t);
            }
        }

        // Saving: the name typed in the file box, the default extension added,
        // the file in the host's folder.
        PostMessageA(Controle(f, "EnrgTeinte"), BM_CLICK, 0, 0);
        HWND boite = AttendreBoite(f);
        if (Verifier(boite != nullptr, "Enregistrer : la boîte de fichier s'ouvre")) {
            // The filter of the tint files.
            char filtre[128] = {};
            SendDlgItemMessageA(boite, 0x470, CB_GETLBTEXT, 0, LPARAM(filtre));  // cmb1
            Verifier(std::string(filtre) == "Fichiers Monochrome (*.uni)",
                     std::string("boîte de fichier : filtre « ") + filtre + " »");
            TaperNomFichier(boite, "teinte-essai");
            Verifier(Attendre([&] { return !IsWindow(boite) || !IsWindowVisible(boite); }),
                     "boîte d'enregistrement confirmée");
            Verifier(Attendre([&] { return Lire(fichier).rfind("Noir d'essai", 0) == 0; }, 3000),
                     "teinte-essai.uni écrit dans le dossier de l'hôte : " + Lire(fichier));
        }
        // Loading, cancelled: nothing changes.
        PostMessageA(Controle(f, "ChargTeinte"), BM_CLICK, 0, 0);
        boite = AttendreBoite(f);
        if (Verifier(boite != nullptr, "Charger : la boîte de fichier s'ouvre")) {
            PostMessageA(boite, WM_COMMAND, IDCANCEL, 0);
            Verifier(Attendre([&] { return !IsWindow(boite) || !IsWindowVisible(boite); }),
                     "boîte d'ouverture annulée");
            Sleep(200);
            Egal(Compte(liste), n + 1, "Charger annulé : la liste ne change pas");
        }
        // Loading a file that is not there: the stop box with the French message.
        PostMessageA(Controle(f, "ChargTeinte"), BM_CLICK, 0, 0);
        boite = AttendreBoite(f);
        if (Verifier(boite != nullptr, "Charger : la boîte de fichier s'ouvre encore")) {
            TaperNomFichier(boite, DossierExe() + "\\absent.uni");
            HWND message = nullptr;
            Attendre([&] {
                message = AttendreBoite(f);
                return message && message != boite && !GetDlgItem(message, 0x480) &&
                       !GetDlgItem(message, 0x47C);
            });
            if (Verifier(message != nullptr, "fichier absent : une boîte de message")) {
                HWND texte = GetDlgItem(message, 0xFFFF);
                Verifier(texte && Texte(texte) == "Fichier introuvable.",
                         "fichier absent : « Fichier introuvable. » (" + (texte ? Texte(texte) : "") + ")");
                PostMessageA(message, WM_COMMAND, IDOK, 0);
                Verifier(Attendre([&] { return !IsWindow(message); }), "boîte de message fermée");
            }
        }
        Verifier(IsWindowVisible(f), "op 9 : la forme reste ouverte après les boîtes");
        SendMessageA(Controle(f, "Annuler"), BM_CLICK, 0, 0);
    }, "op 9 boîtes");
    Verifier(bloc[0].Bleu == 77 && bloc[15].Rouge == 77, "op 9 : Annuler laisse les pixels");
    Verifier(appels.size() == 1 && appels[0] == std::array<int32_t, 8>{4, 4, 0, 0, 0, 0, 0, 1},
             "op 9 : Annuler, un rappel ImageModifiee 0, Fin 1");
    Liberer(bloc);
    DeleteFileA(fichier.c_str());
}

// --- Operation 9: Enter on the button that has the focus ------------------------------

// Enter presses the button that has the focus, the picture buttons too; the
// focus goes there with Tab, keys through the form's own loop.
void MonoCouleurEntree() {
    std::printf("-- op 9 : Entrée sur le bouton qui a le focus\n");
    TPtImg *bloc = NouveauBloc(4);
    std::memset(bloc, 77, 12);
    appels.clear();
    Ouvrir(9, 2, 2, bloc, "MonoCouleur", [&](HWND f) {
        auto touche = [&](WPARAM vk) {
            HWND c = FocusDe(f);
            PostMessageA(c, WM_KEYDOWN, vk, 1);
            PostMessageA(c, WM_KEYUP, vk, 0xC0000001);
        };
        auto focusSur = [&](const char *nom) {
            HWND c = Controle(f, nom);
            for (int i = 0; i < 12 && FocusDe(f) != c; ++i) {
                HWND avant = FocusDe(f);
                touche(VK_TAB);
                Attendre([&] { return FocusDe(f) != avant; }, 2000);
            }
            return Verifier(FocusDe(f) == c, std::string("Tab jusqu'à ") + nom);
        };
        if (focusSur("ChargTeinte")) {
            touche(VK_RETURN);
            HWND boite = AttendreBoite(f);
            if (Verifier(boite != nullptr, "Entrée sur Charger : la boîte d'ouverture")) {
                PostMessageA(boite, WM_COMMAND, IDCANCEL, 0);
                Verifier(Attendre([&] { return !IsWindow(boite) || !IsWindowVisible(boite); }),
                         "boîte d'ouverture annulée");
            }
            Verifier(IsWindowVisible(f) != 0, "Entrée sur Charger : le dialogue reste ouvert");
        }
        if (focusSur("Annuler")) touche(VK_RETURN);
        Verifier(Attendre([&] { return !IsWindowVisible(f); }), "Entrée sur Annuler : le dialogue se ferme");
    }, "op 9 : Entrée");
    const std::vector<uint8_t> attendu(12, 77);
    Verifier(std::memcmp(bloc, attendu.data(), 12) == 0, "Entrée sur Annuler : aucun octet ne change");
    if (Egal(appels.size(), std::size_t(1), "Entrée sur Annuler : un rappel"))
        Egal(appels[0][6], 0, "Entrée sur Annuler : image inchangée");
    Liberer(bloc);
}

// --- Operation 8: two radio buttons of one parent ----------------------------------------

void AjoutGrainRadios() {
    std::printf("-- op 8 : les boutons radio\n");
    TPtImg *bloc = NouveauBloc(64);
    std::memset(bloc, 128, 64 * 3);
    appels.clear();
    Ouvrir(8, 8, 8, bloc, "AjoutGrain", [&](HWND f) {
        HWND taches = Controle(f, "TacheAlea"), pseudo = Controle(f, "PseudoAlea");
        auto coche = [](HWND h) { return SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED; };
        Verifier(coche(taches) && !coche(pseudo), "op 8 : Taches aléatoires coché à l'ouverture");
        // A change of method computes over the image and tells the host.
        const std::size_t avant = appels.size();
        SendMessageA(pseudo, BM_CLICK, 0, 0);
        Verifier(!coche(taches) && coche(pseudo), "op 8 : un clic coche l'un et décoche l'autre");
        const std::size_t apres = appels.size();
        Verifier(apres == avant + 1, "op 8 : le changement de méthode calcule et prévient l'hôte");
        // A click on the button already chosen changes nothing: no event.
        SendMessageA(pseudo, BM_CLICK, 0, 0);
        Egal(appels.size(), apres, "op 8 : un clic sur le bouton déjà coché ne fait rien");
        SendMessageA(Controle(f, "Annuler"), BM_CLICK, 0, 0);
    }, "op 8 radios");
    Liberer(bloc);
}

// --- The curve graph in the system's colours ------------------------------------------

// The graph's background is the system's tooltip colour, asked at the opening:
// changed for this process, it shows at the next opening (read off the screen).
void FondDuGraphe() {
    std::printf("-- op 4 : le fond du graphe\n");
    const int index = COLOR_INFOBK;
    const COLORREF avant = GetSysColor(index), essai = RGB(12, 34, 56);
    if (!Verifier(SetSysColors(1, &index, &essai) && GetSysColor(index) == essai,
                  "op 4 : couleur des info-bulles changée pour l'essai"))
        return;
    TPtImg *bloc = NouveauBloc(4);
    std::memset(bloc, 90, 12);
    appels.clear();
    Ouvrir(4, 2, 2, bloc, "AjustLumManu", [&](HWND f) {
        HWND graphe = Controle(f, "ProfilL");
        RedrawWindow(f, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Sleep(300);
        POINT p{200, 250};  // below the curve, off the axes and the frame
        ClientToScreen(graphe, &p);
        HDC ecran = GetDC(nullptr);
        const COLORREF vu = GetPixel(ecran, p.x, p.y);
        ReleaseDC(nullptr, ecran);
        Egal(uint32_t(vu), uint32_t(essai), "op 4 : fond du graphe = COLOR_INFOBK");
        SendMessageA(Controle(f, "Annuler"), BM_CLICK, 0, 0);
    }, "op 4 fond");
    SetSysColors(1, &index, &avant);
    Liberer(bloc);
}

// --- Exiting with a dialog open --------------------------------------------------------

// Child process: the colour balance left open, the process ends without
// unloading the library.
int EnfantSortie() {
    HMODULE m = LoadLibraryA("velmora.dll");
    if (!m) return 3;
    auto adrRetour = reinterpret_cast<FnAdrRetour>(reinterpret_cast<void *>(GetProcAddress(m, "AdrRetour")));
    xchgData = reinterpret_cast<FnXchgData>(reinterpret_cast<void *>(GetProcAddress(m, "XchgData")));
    if (!adrRetour || !xchgData) return 4;
    adrRetour(reinterpret_cast<void *>(&Retour), &contexteRetour);
    TPtImg *bloc = NouveauBloc(4);
    std::memset(bloc, 50, 12);
    xchgData(7, 0, 0, 0, 0, 2, 2, 0, 0, bloc, nullptr, 0, 0);
    for (int i = 0; i < 10; ++i) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(20);
    }
    return Forme("BalCoul") ? 7 : 5;
}

void SortieDialogueOuvert() {
    std::printf("-- sortie du processus, le dialogue non modal ouvert\n");
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string ligne = std::string("\"") + exe + "\" --enfant-sortie";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (Verifier(CreateProcessA(exe, ligne.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi),
                 "processus enfant lancé")) {
        WaitForSingleObject(pi.hProcess, 30000);
        DWORD code = 99;
        GetExitCodeProcess(pi.hProcess, &code);
        Egal(uint32_t(code), 7u, "le processus sort normalement, l'Équilibrage ouvert");
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 2 && std::strcmp(argv[1], "--enfant-sortie") == 0) return EnfantSortie();
    if (argc != 3) {
        std::fprintf(stderr, "usage : velmora-dialoguestest.exe FICHIER_ATTENDUS DOSSIER_CAPTURES\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    dossierCaptures = argv[2];
    filHote = GetCurrentThreadId();
    // Nothing may hang ./test: the whole run has a limit.
    std::thread([] {
        Sleep(240000);
        std::printf("ECHEC : délai dépassé\n%d passed, %d failed\n", reussis, echoues + 1);
        std::fflush(stdout);
        ExitProcess(3);
    }).detach();

    std::vector<attendus::Cas> cas;
    std::string erreur;
    const auto tous = scenarios::Tous();
    Verifier(attendus::Lire(argv[1], cas, erreur) && cas.size() == tous.size(),
             "résultats de la bibliothèque Linux lus " + erreur);

    hote = CreateWindowExA(0, "STATIC", "Hôte", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                           nullptr, nullptr, nullptr, nullptr);
    HMODULE m = LoadLibraryA("velmora.dll");
    if (!Verifier(m != nullptr, "LoadLibrary(\"velmora.dll\")")) return 1;
    // This host takes no part in the shared page: the library publishes it
    // wherever the walk finds room in the address space Wine leaves.
    const long ou = page::PageSurLeParcours();
    if (Verifier(ou >= 0, "la bibliothèque a publié sa page sur le parcours"))
        std::printf("   page partagée : candidat %ld, 0x%08llX\n", ou,
                    static_cast<unsigned long long>(page::Candidat(ou)));
    auto adrRetour = reinterpret_cast<FnAdrRetour>(reinterpret_cast<void *>(GetProcAddress(m, "AdrRetour")));
    xchgData = reinterpret_cast<FnXchgData>(reinterpret_cast<void *>(GetProcAddress(m, "XchgData")));
    if (!Verifier(adrRetour && xchgData, "exports")) return 1;
    adrRetour(reinterpret_cast<void *>(&Retour), &contexteRetour);

    DWORD debut = GetTickCount();
    AjustCoulForme();
    std::printf("   %lu ms\n", static_cast<unsigned long>(GetTickCount() - debut));
    debut = GetTickCount();
    MonoCouleurBoites();
    MonoCouleurEntree();
    std::printf("   %lu ms\n", static_cast<unsigned long>(GetTickCount() - debut));
    std::printf("-- scénarios joués comme sous Linux\n");
    for (std::size_t i = 0; i < cas.size() && i < tous.size(); ++i)
        if (Verifier(cas[i].nom == tous[i].nom, "scénario " + std::string(tous[i].nom)))
            Scenario(cas[i], tous[i]);
    // After the scenarios: the grain's generator runs on across openings, and the
    // method chosen stays for the next one.
    AjoutGrainRadios();
    FondDuGraphe();
    SortieDialogueOuvert();

    FreeLibrary(m);
    DestroyWindow(hote);
    std::printf("%d passed, %d failed\n", reussis, echoues);
    return echoues == 0 ? 0 : 1;
}
