#include "ModalWin32.h"

#include "FormeWin32.h"

#include <algorithm>
#include <vector>

namespace velmora::win32 {

namespace {

// Modeless forms shown: their keys go through the dialog navigation (Tab,
// Enter, Escape) from a hook on the thread's messages, the host's loop knowing
// nothing of them.
std::vector<HWND> nonModales;
HHOOK crochet = nullptr;

LRESULT CALLBACK CrochetMessages(int code, WPARAM w, LPARAM l) {
    if (code == HC_ACTION && w == PM_REMOVE) {
        auto *m = reinterpret_cast<MSG *>(l);
        if (m->message >= WM_KEYFIRST && m->message <= WM_KEYLAST)
            for (HWND f : nonModales)
                if (IsWindowVisible(f) && (m->hwnd == f || IsChild(f, m->hwnd)) &&
                    IsDialogMessageA(f, m)) {
                    m->message = WM_NULL;
                    break;
                }
    }
    return CallNextHookEx(crochet, code, w, l);
}

struct Desactivation {
    HWND forme;
    std::vector<HWND> fenetres;
};
BOOL CALLBACK Desactiver(HWND h, LPARAM l) {
    auto *d = reinterpret_cast<Desactivation *>(l);
    if (h != d->forme && IsWindowVisible(h) && IsWindowEnabled(h)) {
        EnableWindow(h, FALSE);
        d->fenetres.push_back(h);
    }
    return TRUE;
}

} // namespace

void OublierNonModale(HWND forme) { std::erase(nonModales, forme); }

void RetirerCrochet() {
    if (crochet) UnhookWindowsHookEx(crochet);
    crochet = nullptr;
    nonModales.clear();
}

void FormeWin32::Montrer() {
    // Centred on the screen's work area.
    RECT f, travail;
    GetWindowRect(hwnd_, &f);
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &travail, 0))
        travail = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const int l = f.right - f.left, h = f.bottom - f.top;
    const int x = travail.left + (travail.right - travail.left - l) / 2;
    const int y = travail.top + (travail.bottom - travail.top - h) / 2;
    SetWindowPos(hwnd_, table_.PremierPlan ? HWND_TOPMOST : HWND_TOP, x, y, 0, 0,
                 SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(hwnd_);
    // The focus on the first stop of the tab order.
    const TControle *premier = nullptr;
    for (const TControle &c : table_.Controles)
        if (c.OrdreTab >= 0 && (!premier || c.OrdreTab < premier->OrdreTab)) premier = &c;
    HWND focus = premier ? Trouver(premier->Nom).hwnd : GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    if (focus) SetFocus(focus);
}

void FormeWin32::MontrerModal() {
    // The host's windows of this thread are disabled while the dialog runs.
    Desactivation d{hwnd_, {}};
    EnumThreadWindows(GetCurrentThreadId(), Desactiver, LPARAM(&d));
    fin_ = false;
    modal_ = true;
    try {
        Montrer();
        MSG m;
        while (!fin_ && IsWindow(hwnd_)) {
            const BOOL r = GetMessageA(&m, nullptr, 0, 0);
            if (r == 0) {
                PostQuitMessage(int(m.wParam));  // the host's loop sees it too
                break;
            }
            if (r < 0) break;
            if (!IsDialogMessageA(hwnd_, &m)) {
                TranslateMessage(&m);
                DispatchMessageA(&m);
            }
        }
    } catch (...) {
    }
    modal_ = false;
    // Enabled again before the dialog hides, so that the activation goes back to the host.
    for (HWND h : d.fenetres)
        if (IsWindow(h)) EnableWindow(h, TRUE);
    if (IsWindow(hwnd_)) ShowWindow(hwnd_, SW_HIDE);
}

void FormeWin32::MontrerNonModal() {
    if (std::find(nonModales.begin(), nonModales.end(), hwnd_) == nonModales.end())
        nonModales.push_back(hwnd_);
    if (!crochet) crochet = SetWindowsHookExA(WH_GETMESSAGE, CrochetMessages, nullptr, GetCurrentThreadId());
    Montrer();
}

void FormeWin32::Fermer() {
    fin_ = true;
    if (!modal_) ShowWindow(hwnd_, SW_HIDE);
    else PostMessageA(hwnd_, WM_NULL, 0, 0);  // wakes the loop
}

bool FormeWin32::Visible() const { return IsWindowVisible(hwnd_) != 0; }

void FormeWin32::PremierPlan(bool actif) {
    SetWindowPos(hwnd_, actif ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HWND FormeWin32::Proprietaire() const {
    return IsWindowVisible(hwnd_) ? hwnd_ : GetActiveWindow();
}

} // namespace velmora::win32
