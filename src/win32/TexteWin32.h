// Text on the back end's side: the font a form's captions fit in, the
// conversions between the dialogs' UTF-8, Windows-1252 and UTF-16, and reading
// a window's text.
#pragma once

#include "imaging/dialogue/Forme.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace velmora::win32 {

// The font of a form: every caption of its table fits the room the table leaves it.
HFONT ChoisirPolice(const TForme &table);

// Windows-1252 bytes to UTF-8.
std::string Utf8(std::string_view octets);
// Windows-1252 bytes to UTF-16, and back.
std::wstring Large(std::string_view octets1252);
std::string Etroit(const std::wstring &w);
// A window's text, and item i of a drop-down list, in Windows-1252.
std::string TexteFenetre(HWND h);
std::string ElementListe(HWND h, int i);

} // namespace velmora::win32
