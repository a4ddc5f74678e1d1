// The back end's window classes (the form, panels, pictures) and the window
// properties through which a window finds its control, its form and the
// procedure it had; registered once per process, gone at library unload.
#pragma once

#include <windows.h>

namespace velmora::win32 {

inline constexpr char ClasseForme[] = "VelmoraForme";
inline constexpr char ClassePanneau[] = "VelmoraPanneau";
inline constexpr char ClasseImage[] = "VelmoraImage";
// Window properties: the control's record, its form, the procedure it had.
inline constexpr char ProprieteControle[] = "VelmoraControle";
inline constexpr char ProprieteForme[] = "VelmoraForme";
inline constexpr char ProprieteProcedure[] = "VelmoraProcedure";
inline constexpr char ProprieteNom[] = "objectName";

// The library's module: the windows' and the dialog templates' instance.
HINSTANCE Module();

// Window classes and common controls, once per process; false when they cannot be had.
bool Initialiser();
// Library unload, after every form has been destroyed: the classes go.
void Terminer();

} // namespace velmora::win32
