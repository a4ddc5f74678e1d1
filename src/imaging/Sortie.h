// Process exit or library unload? At process exit the library leaves what the
// system takes back anyway (windows, the toolkit, the shared page) rather than
// tear it down while other modules' statics may already be gone; at an unload
// it tears everything down. One file per platform.
#pragma once

namespace velmora::sortie {

// From this call on (it may be made any number of times), EnCours tells the
// two apart. Call it at library load.
void Guetter();
// True while the process is exiting. Settled only once every exit handler has
// run: ask it from a module destructor (__attribute__((destructor))), never
// from a static object's destructor, which at exit runs among the exit handlers,
// in an order set by when each was registered (lazily made statics of the
// toolkit come later and go first).
bool EnCours();

} // namespace velmora::sortie
