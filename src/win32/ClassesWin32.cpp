#include "ClassesWin32.h"

#include "ModalWin32.h"
#include "ProceduresWin32.h"
#include "imaging/Curseur.h"

#include <commctrl.h>

namespace velmora::win32 {

namespace {
bool classes = false;

void InstallerCurseurSysteme() {
    InstallerCurseur({[] { SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514))); },  // IDC_WAIT
                      [] { SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512))); }});
}

// From the library's load on, so that the direct operations run before any
// dialog show the hourglass too.
const bool curseurInstalle = (InstallerCurseurSysteme(), true);
} // namespace

HINSTANCE Module() {
    HMODULE m = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&Module), &m);
    return m;
}

bool Initialiser() {
    if (classes) return true;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    const HINSTANCE module = Module();
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = module;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
    wc.lpfnWndProc = ProcFormeStatique;
    wc.lpszClassName = ClasseForme;
    wc.style = CS_DBLCLKS;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    wc.lpfnWndProc = ProcControleStatique;
    wc.lpszClassName = ClassePanneau;
    wc.style = 0;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    wc.lpszClassName = ClasseImage;
    wc.hbrBackground = nullptr;
    wc.style = CS_DBLCLKS;  // the second press of a double click is told apart (the curve graph)
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    InstallerCurseurSysteme(); // again, after a Terminer
    classes = true;
    return true;
}

void Terminer() {
    InstallerCurseur({});
    RetirerCrochet();
    if (!classes) return;
    const HINSTANCE module = Module();
    UnregisterClassA(ClasseForme, module);
    UnregisterClassA(ClassePanneau, module);
    UnregisterClassA(ClasseImage, module);
    classes = false;
}

} // namespace velmora::win32
