// x86 and x86-64: the x87 control word and the SSE control register.
#include "../Fpu.h"

namespace velmora::fpu {

Environnement Lire() {
    uint16_t controle = 0;
    uint32_t sse = 0;
    __asm__ volatile("fnstcw %0" : "=m"(controle));
    __asm__ volatile("stmxcsr %0" : "=m"(sse));
    return {controle, sse};
}

void Ecrire(const Environnement &e) {
    const uint16_t controle = uint16_t(e.controle);
    const uint32_t sse = e.sse;
    // A flag that our own work left set would fault at the host's next x87
    // instruction once the host unmasks its exception: clear them first.
    if ((controle & 0x3F) != 0x3F) __asm__ volatile("fnclex");
    __asm__ volatile("fldcw %0" : : "m"(controle));
    __asm__ volatile("ldmxcsr %0" : : "m"(sse));
}

// x87: all six exceptions masked, 64-bit precision, round to nearest.
// SSE: all exceptions masked, round to nearest, denormals kept (no FTZ, no DAZ).
Environnement Propre() { return {0x037F, 0x1F80}; }

} // namespace velmora::fpu
