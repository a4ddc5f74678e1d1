#include "TexteWin32.h"

#include "FormeWin32.h"
#include "imaging/dialogue/Legendes.h"

#include <velmora/windows1252.h>

#include <algorithm>
#include <cstring>

namespace velmora::win32 {

namespace {

int CALLBACK PoliceTrouvee(const LOGFONTA *, const TEXTMETRICA *, DWORD, LPARAM l) {
    *reinterpret_cast<bool *>(l) = true;
    return 0;
}

// Whether the system has that face. Without it, the dialogs' own face (a
// sans-serif of the same metrics) rather than whatever the mapper would pick.
bool Existe(const char *face) {
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    bool trouvee = false;
    if (HDC dc = GetDC(nullptr)) {
        EnumFontFamiliesExA(dc, &lf, PoliceTrouvee, LPARAM(&trouvee), 0);
        ReleaseDC(nullptr, dc);
    }
    return trouvee;
}

// Width a text of the table needs in its control, with the font selected in dc.
int Besoin(HDC dc, const TLegende &l) {
    const std::string s = w1252::DepuisUtf8(l.Texte);
    SIZE t{};
    GetTextExtentPoint32A(dc, s.c_str(), int(s.size()), &t);
    const int texte = int(t.cx);
    switch (l.Controle->Genre) {
    case TGenre::Radio:
    case TGenre::Case: return GetSystemMetrics(SM_CXMENUCHECK) + 4 + texte;
    case TGenre::GroupeRadio:
        return l.Element >= 0 ? GetSystemMetrics(SM_CXMENUCHECK) + 4 + texte : texte + 16;
    case TGenre::Groupe: return texte + 16;  // clear of the frame on both sides
    case TGenre::Bouton:  // a picture, 4 pixels, the caption (DessinerBouton), inside the edges
        return texte + (l.Controle->Glyphe != TGlyphe::Aucun ? 20 : 0) + 8;
    case TGenre::Liste: return texte + GetSystemMetrics(SM_CXVSCROLL) + 8;
    default: return texte;
    }
}

} // namespace

std::string Utf8(std::string_view octets) { return w1252::VersUtf8(octets); }

std::wstring Large(std::string_view octets1252) {
    if (octets1252.empty()) return {};
    const int n = MultiByteToWideChar(1252, 0, octets1252.data(), int(octets1252.size()), nullptr, 0);
    std::wstring w(std::size_t(std::max(n, 0)), L'\0');
    if (n > 0)
        MultiByteToWideChar(1252, 0, octets1252.data(), int(octets1252.size()), w.data(), n);
    return w;
}

std::string Etroit(const std::wstring &w) {
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(1252, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(std::size_t(std::max(n, 0)), '\0');
    if (n > 0) WideCharToMultiByte(1252, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::string TexteFenetre(HWND h) {
    const int n = GetWindowTextLengthA(h);
    std::string s(std::size_t(std::max(n, 0)) + 1, '\0');
    s.resize(std::size_t(std::max(GetWindowTextA(h, s.data(), n + 1), 0)));
    return s;
}

std::string ElementListe(HWND h, int i) {
    const LRESULT n = SendMessageA(h, CB_GETLBTEXTLEN, WPARAM(i), 0);
    if (n == CB_ERR) return {};
    std::string s(std::size_t(n) + 1, '\0');
    const LRESULT lu = SendMessageA(h, CB_GETLBTEXT, WPARAM(i), LPARAM(s.data()));
    s.resize(lu == CB_ERR ? 0 : std::size_t(lu));
    return s;
}

HFONT ChoisirPolice(const TForme &table) {
    // The places were laid out for a face narrower than most: the table's face
    // where the system has it, else the dialogs' own; at the table's size, then
    // drawn narrower, then a pixel smaller, and so on down to two points less,
    // until every caption fits the room its table leaves it. Nothing
    // fitting: the smallest.
    HDC dc = GetDC(nullptr);
    const int ppp = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    LOGFONTA lf{};
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    std::strncpy(lf.lfFaceName, Existe(table.Police) ? table.Police : "MS Shell Dlg",
                 LF_FACESIZE - 1);
    HFONT police = nullptr;
    const int depuis = MulDiv(table.Points, ppp, 72), jusqua = MulDiv(table.Points - 2, ppp, 72);
    for (int hauteur = depuis; hauteur >= jusqua && dc; --hauteur)
        for (int etroite = 0; etroite < 2; ++etroite) {
            lf.lfHeight = -hauteur;
            lf.lfWidth = 0;
            if (etroite) {
                // The same face, its characters 87 % as wide.
                HFONT normale = CreateFontIndirectA(&lf);
                if (!normale) continue;
                HGDIOBJ avant = SelectObject(dc, normale);
                TEXTMETRICA tm{};
                GetTextMetricsA(dc, &tm);
                SelectObject(dc, avant);
                DeleteObject(normale);
                lf.lfWidth = std::max<LONG>(1, tm.tmAveCharWidth * 87 / 100);
            }
            HFONT essai = CreateFontIndirectA(&lf);
            if (!essai) continue;
            HGDIOBJ avant = SelectObject(dc, essai);
            TEXTMETRICA tm{};
            GetTextMetricsA(dc, &tm);
            bool tient = true;
            for (const TLegende &l : Legendes(table, int32_t(tm.tmHeight)))
                if (Besoin(dc, l) > l.Place) {
                    tient = false;
                    break;
                }
            SelectObject(dc, avant);
            if (police) DeleteObject(police);
            police = essai;
            if (tient) {
                ReleaseDC(nullptr, dc);
                return police;
            }
        }
    if (dc) ReleaseDC(nullptr, dc);
    if (!police) {
        lf.lfHeight = -MulDiv(table.Points, ppp, 72);
        lf.lfWidth = 0;
        police = CreateFontIndirectA(&lf);
    }
    return police;
}

std::string FormeWin32::A(std::string_view utf8) const { return w1252::DepuisUtf8(utf8); }

TTaille FormeWin32::MesurerTexte(std::string_view texte) const {
    const std::string s = A(texte);
    HDC dc = GetDC(hwnd_);
    if (!dc) return {};
    HGDIOBJ avant = SelectObject(dc, police_);
    SIZE t{};
    GetTextExtentPoint32A(dc, s.empty() ? " " : s.c_str(), s.empty() ? 1 : int(s.size()), &t);
    SelectObject(dc, avant);
    ReleaseDC(hwnd_, dc);
    return {s.empty() ? 0 : int32_t(t.cx), int32_t(t.cy)};
}

void FormeWin32::DessinerTexte(int32_t x, int32_t y, std::string_view texte) {
    textes_.push_back({x, y, A(texte)});
    const TTaille t = MesurerTexte(texte);
    RECT r{x, y, x + t.Largeur, y + t.Hauteur};
    InvalidateRect(hwnd_, &r, TRUE);
}

void FormeWin32::EffacerZone(TRect z) {
    const RECT zone{z.Gauche, z.Haut, z.Gauche + z.Largeur, z.Haut + z.Hauteur};
    std::erase_if(textes_, [&](const TexteDessine &t) {
        const TTaille m = MesurerTexte(Utf8(t.texte));
        const RECT r{t.x, t.y, t.x + m.Largeur, t.y + m.Hauteur};
        RECT inter;
        return IntersectRect(&inter, &zone, &r) != 0;
    });
    InvalidateRect(hwnd_, &zone, TRUE);
}

void FormeWin32::Peindre(HWND h) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    HGDIOBJ avant = SelectObject(dc, police_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    for (const TexteDessine &t : textes_) TextOutA(dc, t.x, t.y, t.texte.data(), int(t.texte.size()));
    SelectObject(dc, avant);
    EndPaint(h, &ps);
}

} // namespace velmora::win32
