// How a form is shown: centred, modal in a message loop of its own with the
// host's windows disabled, or modeless with its keys taken from a hook on the
// thread's messages.
#pragma once

#include <windows.h>

namespace velmora::win32 {

// A modeless form destroyed: its keys no longer go through the hook.
void OublierNonModale(HWND forme);
// Library unload: the hook goes, and the list of modeless forms.
void RetirerCrochet();

} // namespace velmora::win32
