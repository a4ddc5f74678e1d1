// The window procedures of the back end's windows: the form's, and the one
// its panels, pictures and subclassed controls share. Each finds its form and
// control and hands the message to FormeWin32::ProcForme / ProcControle.
#pragma once

#include <windows.h>

namespace velmora::win32 {

LRESULT CALLBACK ProcFormeStatique(HWND h, UINT m, WPARAM w, LPARAM l);
// Panels and pictures (classes of ours) and the system's controls we listen to.
LRESULT CALLBACK ProcControleStatique(HWND h, UINT m, WPARAM w, LPARAM l);

} // namespace velmora::win32
