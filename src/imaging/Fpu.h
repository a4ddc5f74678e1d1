// The floating-point environment the pixel rules are written for: the x87 unit
// at 64-bit precision (so that long double is the 80-bit extended type), round
// to nearest, every exception masked; SSE likewise for double and float.
// A host may run with another one (some graphics libraries leave the x87 unit
// at 53-bit precision, which silently turns every 80-bit rule into a 64-bit
// one), so each export works in this environment and gives the host its own
// back, also around each call into the host.
// What the environment is made of is the platform's: one file per processor
// family, fpu/FpuX86.cpp (Linux and Windows alike) and fpu/FpuAutre.cpp.
#pragma once

#include <cstdint>

namespace velmora::fpu {

struct Environnement {
    uint32_t controle = 0; // x87 control word
    uint32_t sse = 0;      // SSE control and status
};

// The calling thread's environment, and setting it.
Environnement Lire();
void Ecrire(const Environnement &e);
// The environment the rules are written for.
Environnement Propre();

namespace detail {
// The host's environment while an export runs on this thread.
inline thread_local Environnement hote{};
inline thread_local int profondeur = 0;
// True while the host's code runs inside an export (its callback).
inline thread_local bool chezHote = false;
} // namespace detail

// At each export, and at each event a dialog receives: the library's own
// environment for the duration, the caller's given back at its end (on every
// way out). An event that comes inside an export (a modal dialog's loop) is
// called from the library's environment: the host's stays the one recorded.
class Garde {
public:
    Garde()
        : appelant_(Lire()), hotePrecedent_(detail::hote), chezHotePrecedent_(detail::chezHote) {
        if (detail::profondeur == 0 || detail::chezHote) detail::hote = appelant_;
        ++detail::profondeur;
        detail::chezHote = false;
        Ecrire(Propre());
    }
    ~Garde() {
        --detail::profondeur;
        detail::hote = hotePrecedent_;
        detail::chezHote = chezHotePrecedent_;
        Ecrire(appelant_);
    }
    Garde(const Garde &) = delete;
    Garde &operator=(const Garde &) = delete;

private:
    Environnement appelant_, hotePrecedent_;
    bool chezHotePrecedent_;
};

// Around a call into the host: the host's code runs with its own environment,
// and the library's comes back afterwards. Outside an export, nothing changes.
class ChezHote {
public:
    ChezHote() : actif_(detail::profondeur > 0), precedent_(detail::chezHote), nous_(Lire()) {
        if (!actif_) return;
        detail::chezHote = true;
        Ecrire(detail::hote);
    }
    ~ChezHote() {
        if (!actif_) return;
        detail::chezHote = precedent_;
        Ecrire(nous_);
    }
    ChezHote(const ChezHote &) = delete;
    ChezHote &operator=(const ChezHote &) = delete;

private:
    bool actif_, precedent_;
    Environnement nous_;
};

} // namespace velmora::fpu
