#include <velmora/windows1252.h>

#include <cstdint>

namespace velmora::w1252 {
namespace {

// Characters of bytes 0x80..0x9F; the rest of the code page is Latin-1.
constexpr char32_t Haut[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AjouterUtf8(std::string &s, char32_t c) {
    if (c < 0x80) {
        s += char(c);
    } else if (c < 0x800) {
        s += char(0xC0 | (c >> 6));
        s += char(0x80 | (c & 0x3F));
    } else {
        s += char(0xE0 | (c >> 12));
        s += char(0x80 | ((c >> 6) & 0x3F));
        s += char(0x80 | (c & 0x3F));
    }
}

int OctetDe(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return int(c);
    for (int i = 0; i < 32; ++i)
        if (Haut[i] == c) return 0x80 + i;
    return '?';
}

// Next code point of s from i (advanced); U+FFFD for a malformed sequence.
char32_t Suivant(std::string_view s, std::size_t &i) {
    const auto o = uint8_t(s[i++]);
    if (o < 0x80) return o;
    int suite;
    char32_t c, min;
    if ((o & 0xE0) == 0xC0) { suite = 1; c = o & 0x1F; min = 0x80; }
    else if ((o & 0xF0) == 0xE0) { suite = 2; c = o & 0x0F; min = 0x800; }
    else if ((o & 0xF8) == 0xF0) { suite = 3; c = o & 0x07; min = 0x10000; }
    else return 0xFFFD;
    for (int k = 0; k < suite; ++k) {
        if (i >= s.size() || (uint8_t(s[i]) & 0xC0) != 0x80) return 0xFFFD;
        c = (c << 6) | (uint8_t(s[i++]) & 0x3F);
    }
    return (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) ? 0xFFFD : c;
}

} // namespace

std::string VersUtf8(std::string_view octets) {
    std::string s;
    s.reserve(octets.size() * 2);
    for (char b : octets) {
        const auto o = uint8_t(b);
        AjouterUtf8(s, o >= 0x80 && o < 0xA0 ? Haut[o - 0x80] : char32_t(o));
    }
    return s;
}

std::string DepuisUtf8(std::string_view utf8) {
    std::string s;
    s.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) s += char(OctetDe(Suivant(utf8, i)));
    return s;
}

} // namespace velmora::w1252
