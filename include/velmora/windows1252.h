// Text in Windows-1252 (the single-byte code page of the files and of the
// captions that cross the C boundary) to and from UTF-8.
// Done by hand: the toolkit's converters do not all know this code page.
#pragma once

#include <string>
#include <string_view>

namespace velmora::w1252 {

// Each byte to its character; the five bytes the code page leaves unassigned
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same
// number, as the system's own conversion does.
std::string VersUtf8(std::string_view octets);

// Each character to its byte; a character the code page cannot hold, and any
// byte of malformed UTF-8, becomes '?'.
std::string DepuisUtf8(std::string_view utf8);

} // namespace velmora::w1252
