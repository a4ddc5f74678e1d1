// Process exit or library unload? At process exit the library leaves what the
// system takes back anyway (windows, the toolkit, the shared page) rather than
// tear it down while other modules' statics may already be gone; at an unload
// it tears everything down. One file per platform.
#pragma once

namespace velmora::sortie {

// From this call on (it may be made any number of times), EnCours tells the
// two apart. Call it at library load.
void Guetter();
// True while the process is exiting.
bool EnCours();

} // namespace velmora::sortie
