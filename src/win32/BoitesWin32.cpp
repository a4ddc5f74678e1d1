// The boxes a form opens: messages, file and colour choosers, and the input
// box, a dialog template made in memory.
#include "FormeWin32.h"

#include "ClassesWin32.h"
#include "TexteWin32.h"

#include <commdlg.h>

#include <algorithm>

namespace velmora::win32 {

namespace {

std::string TitreApplication() {
    char chemin[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, chemin, MAX_PATH);
    std::string s(chemin, n < MAX_PATH ? n : 0);
    if (const auto b = s.find_last_of("\\/"); b != std::string::npos) s.erase(0, b + 1);
    if (const auto p = s.rfind('.'); p != std::string::npos) s.erase(p);
    return s;
}

class Modele {
public:
    std::vector<WORD> mots;
    void Aligner() {
        if (mots.size() % 2) mots.push_back(0);
    }
    void Mot(WORD w) { mots.push_back(w); }
    void Double(DWORD d) {
        Mot(LOWORD(d));
        Mot(HIWORD(d));
    }
    void Chaine(const std::wstring &s) {
        for (wchar_t c : s) Mot(WORD(c));
        Mot(0);
    }
    void Element(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classe,
                 const std::wstring &texte) {
        Aligner();
        Double(style | WS_CHILD | WS_VISIBLE);
        Double(0);
        for (short v : {x, y, cx, cy}) Mot(WORD(v));
        Mot(id);
        Mot(0xFFFF);
        Mot(classe);
        Chaine(texte);
        Mot(0);
    }
};

struct Saisie {
    std::string defaut, valeur;  // Windows-1252
};

constexpr WORD IdValeur = 100;

INT_PTR CALLBACK ProcSaisie(HWND h, UINT m, WPARAM w, LPARAM l) {
    try {
        switch (m) {
        case WM_INITDIALOG: {
            auto *s = reinterpret_cast<Saisie *>(l);
            SetWindowLongPtrA(h, DWLP_USER, l);
            SetPropA(h, ProprieteNom, const_cast<char *>("Saisie"));
            SetPropA(GetDlgItem(h, IdValeur), ProprieteNom, const_cast<char *>("Valeur"));
            SetDlgItemTextA(h, IdValeur, s->defaut.c_str());
            SendDlgItemMessageA(h, IdValeur, EM_SETSEL, 0, -1);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(w) == IDOK) {
                auto *s = reinterpret_cast<Saisie *>(GetWindowLongPtrA(h, DWLP_USER));
                s->valeur = TexteFenetre(GetDlgItem(h, IdValeur));
                EndDialog(h, IDOK);
                return TRUE;
            }
            if (LOWORD(w) == IDCANCEL) {
                EndDialog(h, IDCANCEL);
                return TRUE;
            }
            break;
        case WM_DESTROY:
            RemovePropA(GetDlgItem(h, IdValeur), ProprieteNom);
            RemovePropA(h, ProprieteNom);
            break;
        }
    } catch (...) {
    }
    return FALSE;
}

} // namespace

void FormeWin32::MessageErreur(std::string_view texte) {
    MessageBoxA(Proprietaire(), A(texte).c_str(), TitreApplication().c_str(), MB_OK | MB_ICONSTOP);
}

void FormeWin32::MessageInformation(std::string_view texte) {
    MessageBoxA(Proprietaire(), A(texte).c_str(), "Information", MB_OK | MB_ICONINFORMATION);
}

std::optional<std::filesystem::path> FormeWin32::Fichier(const TDialogueFichier &d,
                                                         bool enregistrer) {
    // "Description (*.ext)|*.ext": the pairs separated by zeros, two at the end.
    std::string filtre = A(d.Filtre);
    std::replace(filtre.begin(), filtre.end(), '|', '\0');
    filtre.append(2, '\0');
    const std::string dossier = Etroit(d.Dossier.wstring());
    const std::string extension = A(d.Extension);
    std::vector<char> nom(4096, '\0');
    OPENFILENAMEA o{};
    o.lStructSize = sizeof o;
    o.hwndOwner = Proprietaire();
    o.lpstrFilter = filtre.c_str();
    o.nFilterIndex = 1;
    o.lpstrFile = nom.data();
    o.nMaxFile = DWORD(nom.size());
    o.lpstrInitialDir = dossier.empty() ? nullptr : dossier.c_str();
    o.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    // A name that does not exist is accepted; opening it then reports the error.
    o.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    const BOOL ok = enregistrer ? GetSaveFileNameA(&o) : GetOpenFileNameA(&o);
    if (!ok) return std::nullopt;
    return std::filesystem::path(Large(nom.data()));
}

std::optional<std::filesystem::path> FormeWin32::OuvrirFichier(const TDialogueFichier &d) {
    return Fichier(d, false);
}

std::optional<std::filesystem::path> FormeWin32::EnregistrerFichier(const TDialogueFichier &d) {
    return Fichier(d, true);
}

std::optional<uint32_t> FormeWin32::ChoisirCouleur() {
    static COLORREF personnalisees[16] = {};
    CHOOSECOLORA c{};
    c.lStructSize = sizeof c;
    c.hwndOwner = Proprietaire();
    c.rgbResult = 0;  // black
    c.lpCustColors = personnalisees;
    c.Flags = CC_RGBINIT;
    if (!ChooseColorA(&c)) return std::nullopt;
    return uint32_t(c.rgbResult) & 0xFFFFFF;
}

std::optional<std::string> FormeWin32::Saisir(std::string_view titre, std::string_view invite,
                                              std::string_view defaut) {
    auto large = [this](std::string_view s) { return Large(A(s)); };
    Modele m;
    m.Double(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    m.Double(0);
    m.Mot(4);
    for (short v : {0, 0, 200, 66}) m.Mot(WORD(v));
    m.Mot(0);  // no menu
    m.Mot(0);  // the dialog class
    m.Chaine(large(titre));
    m.Mot(WORD(table_.Points));
    m.Chaine(large(table_.Police));
    m.Element(SS_LEFT | SS_NOPREFIX, 7, 7, 186, 10, WORD(-1), 0x0082, large(invite));
    m.Element(WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 7, 21, 186, 12, IdValeur, 0x0081, L"");
    m.Element(WS_TABSTOP | BS_DEFPUSHBUTTON, 88, 44, 50, 14, IDOK, 0x0080, L"OK");
    m.Element(WS_TABSTOP | BS_PUSHBUTTON, 143, 44, 50, 14, IDCANCEL, 0x0080, L"Annuler");
    Saisie s{A(defaut), {}};
    const INT_PTR r = DialogBoxIndirectParamA(Module(), reinterpret_cast<LPCDLGTEMPLATEA>(m.mots.data()),
                                              Proprietaire(), ProcSaisie, LPARAM(&s));
    if (r != IDOK) return std::nullopt;
    return Utf8(s.valeur);
}

} // namespace velmora::win32
