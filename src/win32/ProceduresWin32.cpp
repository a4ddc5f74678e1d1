#include "ProceduresWin32.h"

#include "ClassesWin32.h"
#include "FormeWin32.h"
#include "GlyphesWin32.h"
#include "TexteWin32.h"

#include <commctrl.h>

#include <algorithm>

namespace velmora::win32 {

namespace {

uint8_t Boutons(WPARAM w) {
    return uint8_t((w & MK_LBUTTON ? BGauche : 0) | (w & MK_RBUTTON ? BDroit : 0) |
                   (w & MK_MBUTTON ? BMilieu : 0));
}

uint8_t Touches(WPARAM w) {
    return uint8_t((w & MK_SHIFT ? TMaj : 0) | (w & MK_CONTROL ? TCtrl : 0) |
                   (GetKeyState(VK_MENU) < 0 ? TAlt : 0));
}

bool MessageSouris(UINT m) {
    return m == WM_MOUSEMOVE || m == WM_LBUTTONDOWN || m == WM_LBUTTONUP || m == WM_RBUTTONDOWN ||
           m == WM_RBUTTONUP || m == WM_MBUTTONDOWN || m == WM_MBUTTONUP ||
           m == WM_LBUTTONDBLCLK || m == WM_RBUTTONDBLCLK || m == WM_MBUTTONDBLCLK;
}

} // namespace

LRESULT CALLBACK ProcFormeStatique(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NCCREATE) {
        auto *cs = reinterpret_cast<CREATESTRUCTA *>(l);
        SetWindowLongPtrA(h, GWLP_USERDATA, LONG_PTR(cs->lpCreateParams));
    }
    auto *f = reinterpret_cast<FormeWin32 *>(GetWindowLongPtrA(h, GWLP_USERDATA));
    if (!f) return DefWindowProcA(h, m, w, l);
    return f->ProcForme(h, m, w, l);
}

// Panels and pictures (classes of ours) and the system's controls we listen to.
LRESULT CALLBACK ProcControleStatique(HWND h, UINT m, WPARAM w, LPARAM l) {
    auto *ancien = reinterpret_cast<WNDPROC>(GetPropA(h, ProprieteProcedure));
    auto *c = static_cast<FormeWin32::Controle *>(GetPropA(h, ProprieteControle));
    auto *f = static_cast<FormeWin32 *>(GetPropA(h, ProprieteForme));
    if (!ancien) ancien = DefWindowProcA;
    if (m == WM_NCDESTROY) {
        RemovePropA(h, ProprieteControle);
        RemovePropA(h, ProprieteForme);
        RemovePropA(h, ProprieteNom);
        if (ancien != DefWindowProcA) {
            SetWindowLongPtrA(h, GWLP_WNDPROC, LONG_PTR(ancien));
            RemovePropA(h, ProprieteProcedure);
        }
        return CallWindowProcA(ancien, h, m, w, l);
    }
    if (!c || !f) return CallWindowProcA(ancien, h, m, w, l);
    return f->ProcControle(*c, ancien, h, m, w, l);
}

void FormeWin32::Envoyer(const TEvenement &e) {
    if (silence_ > 0) return;
    dialogue_.Evenement(e);
}

void FormeWin32::Souris(const Controle *c, UINT m, WPARAM w, LPARAM l) {
    TEvenement e{c ? std::string_view(c->nom) : std::string_view(table_.Nom),
                 TTypeEvenement::SourisDeplacee};
    e.Boutons = Boutons(w);
    e.Touches = Touches(w);
    e.X = int16_t(LOWORD(l));
    e.Y = int16_t(HIWORD(l));
    switch (m) {
    case WM_LBUTTONDOWN: e.Type = TTypeEvenement::SourisEnfoncee; e.Bouton = BGauche; break;
    case WM_RBUTTONDOWN: e.Type = TTypeEvenement::SourisEnfoncee; e.Bouton = BDroit; break;
    case WM_MBUTTONDOWN: e.Type = TTypeEvenement::SourisEnfoncee; e.Bouton = BMilieu; break;
    case WM_LBUTTONDBLCLK: e.Type = TTypeEvenement::SourisEnfoncee; e.Bouton = BGauche; break;
    case WM_RBUTTONDBLCLK: e.Type = TTypeEvenement::SourisEnfoncee; e.Bouton = BDroit; break;
    case WM_MBUTTONDBLCLK: e.Type = TTypeEvenement::SourisEnfoncee; e.Bouton = BMilieu; break;
    case WM_LBUTTONUP: e.Type = TTypeEvenement::SourisRelachee; e.Bouton = BGauche; break;
    case WM_RBUTTONUP: e.Type = TTypeEvenement::SourisRelachee; e.Bouton = BDroit; break;
    case WM_MBUTTONUP: e.Type = TTypeEvenement::SourisRelachee; e.Bouton = BMilieu; break;
    default: break;
    }
    e.DoubleClic = m == WM_LBUTTONDBLCLK || m == WM_RBUTTONDBLCLK || m == WM_MBUTTONDBLCLK;
    Envoyer(e);
}

void FormeWin32::Cliquer(Controle &c) {
    if (c.groupe) {
        // An item of a radio group: a change of the selection only.
        Controle &g = *c.groupe;
        const auto it = std::find(g.items.begin(), g.items.end(), &c);
        const int32_t i = int32_t(it - g.items.begin());
        if (i == g.index) return;
        for (Controle *item : g.items)
            SendMessageA(item->hwnd, BM_SETCHECK, item == &c ? BST_CHECKED : BST_UNCHECKED, 0);
        g.index = i;
        Envoyer({g.nom, TTypeEvenement::Change});
        return;
    }
    if (c.genre == TGenre::Radio) {
        // A click on the selected button changes nothing; the buttons of one
        // parent exclude each other.
        if (SendMessageA(c.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) return;
        for (Controle &autre : controles_)
            if (autre.genre == TGenre::Radio && !autre.groupe && GetParent(autre.hwnd) == GetParent(c.hwnd))
                SendMessageA(autre.hwnd, BM_SETCHECK, &autre == &c ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    Envoyer({c.nom, TTypeEvenement::Clic});
}

bool FormeWin32::Notification(UINT m, WPARAM w, LPARAM l, LRESULT &r) {
    r = 0;
    switch (m) {
    case WM_COMMAND: {
        const int id = LOWORD(w), code = HIWORD(w);
        if (id == IDCANCEL) {
            // Escape: the dialog decides (its cancel handler).
            if (IsWindowVisible(hwnd_)) Envoyer({table_.Nom, TTypeEvenement::Fermeture});
            return true;
        }
        if (id == IDOK) return true;  // Enter without a default button
        const auto it = parId_.find(id);
        if (it == parId_.end()) return false;
        Controle &c = *it->second;
        if (c.genre == TGenre::Liste) {
            if (code == CBN_SELCHANGE) Envoyer({c.nom, TTypeEvenement::Change});
        } else if (code == BN_CLICKED && IsWindowEnabled(c.hwnd)) {
            Cliquer(c);
        }
        return true;
    }
    case WM_HSCROLL: {
        auto *c = static_cast<Controle *>(GetPropA(HWND(l), ProprieteControle));
        if (!c || c->genre != TGenre::Curseur) return false;
        const int32_t pos = int32_t(SendMessageA(c->hwnd, TBM_GETPOS, 0, 0));
        if (pos != c->position) {
            c->position = pos;
            Envoyer({c->nom, TTypeEvenement::Change});
        }
        return true;
    }
    case WM_DRAWITEM: {
        const auto *d = reinterpret_cast<const DRAWITEMSTRUCT *>(l);
        auto *c = static_cast<Controle *>(GetPropA(d->hwndItem, ProprieteControle));
        if (!c || !c->table || d->CtlType != ODT_BUTTON) return false;
        DessinerBouton(*c, *d);
        r = TRUE;
        return true;
    }
    case WM_CTLCOLORSTATIC: {
        auto *c = static_cast<Controle *>(GetPropA(HWND(l), ProprieteControle));
        if (!c || !c->table || c->table->CouleurTexte == SansCouleur) return false;
        HDC dc = HDC(w);
        SetTextColor(dc, COLORREF(uint32_t(c->table->CouleurTexte) & 0xFFFFFF));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        r = LRESULT(GetSysColorBrush(COLOR_BTNFACE));
        return true;
    }
    default: return false;
    }
}

LRESULT FormeWin32::ProcForme(HWND h, UINT m, WPARAM w, LPARAM l) {
    try {
        LRESULT r = 0;
        if (Notification(m, w, l, r)) return r;
        switch (m) {
        case DM_GETDEFID:
            if (const TControle *d = table_.AvecRole(TRole::Defaut))
                return MAKELRESULT(Trouver(d->Nom).id, DC_HASDEFID);
            return 0;
        case WM_CLOSE:
            Envoyer({table_.Nom, TTypeEvenement::Fermeture});
            return 0;
        case WM_PAINT:
            Peindre(h);
            return 0;
        case MessageDiffere:
            if (!differes_.empty()) {
                std::function<void()> f = std::move(differes_.front());
                differes_.pop_front();
                if (f) f();
            }
            return 0;
        default:
            if (MessageSouris(m)) {
                Souris(nullptr, m, w, l);
                return 0;
            }
        }
    } catch (...) {
        // Nothing crosses the window procedure.
        return 0;
    }
    return DefWindowProcA(h, m, w, l);
}

LRESULT FormeWin32::ProcControle(Controle &c, WNDPROC ancien, HWND h, UINT m, WPARAM w, LPARAM l) {
    try {
        const bool conteneur =
            c.genre == TGenre::Panneau || c.genre == TGenre::Groupe || c.genre == TGenre::GroupeRadio;
        if (conteneur) {
            LRESULT r = 0;
            if (Notification(m, w, l, r)) return r;
        }
        if (c.genre == TGenre::Bouton) {
            // A button that draws itself answers the dialog navigation as a push
            // button does, so that Enter presses it when it has the focus; its
            // style stays its own.
            if (m == WM_GETDLGCODE)
                return DLGC_BUTTON | (GetFocus() == h ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
            if (m == BM_SETSTYLE) return 0;
        }
        if (m == WM_NCHITTEST && (c.genre == TGenre::Groupe || c.genre == TGenre::GroupeRadio))
            return HTCLIENT;  // a group box lets the mouse through otherwise
        if (MessageSouris(m) && (conteneur || c.genre == TGenre::Image)) {
            if (c.genre == TGenre::Image) {
                // A picture keeps its own presses: the drag stays with it.
                if (m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN ||
                    m == WM_LBUTTONDBLCLK || m == WM_RBUTTONDBLCLK || m == WM_MBUTTONDBLCLK)
                    SetCapture(h);
                Souris(&c, m, w, l);
                if ((m == WM_LBUTTONUP || m == WM_RBUTTONUP || m == WM_MBUTTONUP) &&
                    !(w & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) && GetCapture() == h)
                    ReleaseCapture();
                return 0;
            }
            Souris(&c, m, w, l);
        }
        if (c.genre == TGenre::Curseur && m == WM_LBUTTONUP) {
            const LRESULT r = CallWindowProcA(ancien, h, m, w, l);
            Envoyer({c.nom, TTypeEvenement::Relache});
            return r;
        }
        if (c.genre == TGenre::Image) {
            if (m == WM_ERASEBKGND) return 1;
            if (m == WM_PAINT) {
                PeindreImage(c);
                return 0;
            }
        }
        if (m == WM_ERASEBKGND && (c.genre == TGenre::Groupe || c.genre == TGenre::GroupeRadio)) {
            // A group box paints only its frame; its parent clips its children.
            RECT r;
            GetClientRect(h, &r);
            FillRect(HDC(w), &r, GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        if (c.genre == TGenre::Panneau && m == WM_ERASEBKGND) {
            RECT r;
            GetClientRect(h, &r);
            HBRUSH b = c.fond != CLR_INVALID ? CreateSolidBrush(c.fond) : nullptr;
            FillRect(HDC(w), &r, b ? b : GetSysColorBrush(COLOR_BTNFACE));
            if (b) DeleteObject(b);
            if (c.enfonce) DrawEdge(HDC(w), &r, BDR_SUNKENOUTER, BF_RECT);
            return 1;
        }
    } catch (...) {
        return 0;
    }
    return CallWindowProcA(ancien, h, m, w, l);
}

void FormeWin32::PeindreImage(Controle &c) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(c.hwnd, &ps);
    RECT r;
    GetClientRect(c.hwnd, &r);
    if (c.largeur > 0 && c.hauteur > 0) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = c.largeur;
        bi.bmiHeader.biHeight = -c.hauteur;  // top-down
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        bi.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(dc, 0, 0, DWORD(c.largeur), DWORD(c.hauteur), 0, 0, 0, UINT(c.hauteur),
                          c.dib.data(), &bi, DIB_RGB_COLORS);
        ExcludeClipRect(dc, 0, 0, c.largeur, c.hauteur);
    }
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    EndPaint(c.hwnd, &ps);
}

void FormeWin32::DessinerBouton(const Controle &c, const DRAWITEMSTRUCT &d) {
    RECT r = d.rcItem;
    const bool enfonce = d.itemState & ODS_SELECTED;
    DrawFrameControl(d.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (enfonce ? DFCS_PUSHED : 0));
    const std::string texte = TexteFenetre(c.hwnd);
    HGDIOBJ avant = SelectObject(d.hDC, police_);
    SIZE t{};
    GetTextExtentPoint32A(d.hDC, texte.c_str(), int(texte.size()), &t);
    // Picture, 4 pixels, caption: centred together.
    const int decalage = enfonce ? 1 : 0;
    const int x = std::max(4, int(r.right - r.left - (16 + 4 + t.cx)) / 2) + decalage;
    DessinerGlyphe(d.hDC, c.table->Glyphe, x, int(r.bottom - r.top - 16) / 2 + decalage);
    SetBkMode(d.hDC, TRANSPARENT);
    SetTextColor(d.hDC, GetSysColor(d.itemState & ODS_DISABLED ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    TextOutA(d.hDC, x + 20, int(r.bottom - r.top - t.cy) / 2 + decalage, texte.c_str(),
             int(texte.size()));
    SelectObject(d.hDC, avant);
    if (d.itemState & ODS_FOCUS) {
        InflateRect(&r, -4, -4);
        DrawFocusRect(d.hDC, &r);
    }
}

} // namespace velmora::win32
