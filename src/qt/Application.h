// The Qt application object the dialogs need. A host written with Qt brings its
// own QApplication, which the plug-in then uses; a host without Qt gets one
// created here on first need, and destroyed at unload after the dialogs.
#pragma once

#include <cstdint>

namespace velmora::qt {

// True when a QApplication exists, creating one when the process has no
// application object at all. False when the process runs a QCoreApplication that
// is not a QApplication: no widget can be made, dialogs do nothing.
// Also installs the busy-cursor actions (QApplication::setOverrideCursor).
bool AssurerApplication();

// True while the application object seen by AssurerApplication is alive
// (a host may destroy its own before unloading the plug-in).
bool ApplicationVivante();

// Counts the application objects seen: widgets made under an earlier one are gone.
uint64_t GenerationApplication();

// Unload: destroys the QApplication if the plug-in created it (call after the
// dialogs have been deleted) and uninstalls the cursor actions.
void LibererApplication();

} // namespace velmora::qt
