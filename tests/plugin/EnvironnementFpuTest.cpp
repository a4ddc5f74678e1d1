// A host may call with the x87 unit at 53-bit precision (some graphics
// libraries leave it so) or with SSE flushing denormals: the operations give
// the same bytes all the same, the host gets its own environment back, and its
// callback runs in it.
#include "HotePlugin.h"

#include <string>

#if defined(__x86_64__) || defined(__i386__)
#define VELMORA_X87 1
#endif

using banc::Image;
using banc::Plugin;

namespace {

#ifdef VELMORA_X87
uint16_t MotX87() {
    uint16_t m;
    __asm__ volatile("fnstcw %0" : "=m"(m));
    return m;
}
void DefinirX87(uint16_t m) { __asm__ volatile("fldcw %0" : : "m"(m)); }
uint32_t MotSse() {
    uint32_t m;
    __asm__ volatile("stmxcsr %0" : "=m"(m));
    return m;
}
void DefinirSse(uint32_t m) { __asm__ volatile("ldmxcsr %0" : : "m"(m)); }

constexpr uint16_t X87Double = 0x027F; // 53-bit precision, nearest, masked
constexpr uint32_t SseRapide = 0x9FC0; // flush-to-zero, denormals-are-zero, masked
constexpr uint32_t Drapeaux = 0x3F;    // sticky exception flags: anyone's

// Pixels whose channels spread evenly over `etendue` - 1 levels, the three
// channels apart: the automatic levels stretch them by 255 / etendue.
void Etendue(Image &im, int etendue) {
    const int largeur = etendue - 1;
    const int bas[3] = {(255 - largeur) / 2, (255 - largeur) / 3, (255 - largeur) * 2 / 3};
    for (int32_t i = 0; i < im.size(); ++i) {
        uint8_t c[3];
        for (int k = 0; k < 3; ++k) c[k] = uint8_t(bas[k] + (i * (k + 1) * 7 + k) % largeur);
        im[i] = {c[0], c[1], c[2]};
    }
}

struct Resultat {
    std::vector<uint8_t> octets;
    uint16_t x87Apres, x87Rappel;
    uint32_t sseApres, sseRappel;
};

// Runs op on a copy of the image under the given host environment.
Resultat Executer(uint32_t op, const Image &modele, uint16_t x87, uint32_t sse) {
    Image im(modele.largeur, modele.hauteur);
    std::memcpy(im.pixels, modele.pixels, std::size_t(modele.largeur) * modele.hauteur * 3);
    Resultat r{};
    Plugin &p = Plugin::Instance();
    p.Brancher();
    p.PendantAppel = [&](const banc::Appel &) {
        r.x87Rappel = MotX87();
        r.sseRappel = MotSse();
    };
    const uint16_t x87Avant = MotX87();
    const uint32_t sseAvant = MotSse();
    DefinirX87(x87);
    DefinirSse(sse);
    p.Executer(op, im.pixels, im.largeur, im.hauteur);
    r.x87Apres = MotX87();
    r.sseApres = MotSse();
    DefinirX87(x87Avant);
    DefinirSse(sseAvant);
    p.PendantAppel = nullptr;
    r.octets = im.Octets();
    return r;
}
#endif

} // namespace

// Every stretch from 3 to 255 levels, for both automatic operations: with
// 53-bit precision, 255 / span times a level lands on the wrong side of a half
// for some spans, unless the library sets its own precision.
TEST(EnvironnementFpu, SameBytesWhateverTheHostLeaves) {
#ifndef VELMORA_X87
    GTEST_SKIP() << "no x87 unit";
#else
    const uint16_t x87Propre = MotX87();
    const uint32_t ssePropre = MotSse() & ~Drapeaux;
    for (uint32_t op : {5u, 6u})
        for (int etendue = 3; etendue <= 255; ++etendue) {
            SCOPED_TRACE("operation " + std::to_string(op) + ", span " + std::to_string(etendue));
            Image im(32, 8);
            Etendue(im, etendue);
            const Resultat attendu = Executer(op, im, x87Propre, ssePropre);
            for (auto [x87, sse] : {std::pair{X87Double, ssePropre}, std::pair{x87Propre, SseRapide},
                                    std::pair{X87Double, SseRapide}}) {
                const Resultat r = Executer(op, im, x87, sse);
                ASSERT_EQ(r.octets, attendu.octets);
                EXPECT_EQ(r.x87Apres, x87) << "the host's x87 word is given back";
                EXPECT_EQ(r.sseApres & ~Drapeaux, sse) << "the host's SSE word is given back";
                EXPECT_EQ(r.x87Rappel, x87) << "the callback runs with the host's x87 word";
                EXPECT_EQ(r.sseRappel & ~Drapeaux, sse) << "and the host's SSE word";
            }
        }
#endif
}

// Inside an export the library's own environment stands, whatever the host's:
// x87 at 64-bit precision, nearest, all masked (0x037F); SSE nearest, all
// masked, no flush (0x1F80). Read from the host's code that runs inside the
// dialog's loop, the callback aside (it runs with the host's words).
TEST(EnvironnementFpu, InsideAnOperationTheLibrarysOwn) {
#ifndef VELMORA_X87
    GTEST_SKIP() << "no x87 unit";
#else
    banc::AssurerQApplication();
    Plugin &p = Plugin::Instance();
    p.Brancher();
    Image im(4, 3);
    im.Remplir(2);
    uint16_t x87Dedans = 0, x87Rappel = 0;
    uint32_t sseDedans = 0;
    p.PendantAppel = [&](const banc::Appel &) { x87Rappel = MotX87(); };
    banc::PendantDialogue("AjustCoul", [&](QDialog *d) {
        x87Dedans = MotX87();
        sseDedans = MotSse();
        d->reject();
    });
    const uint16_t x87Avant = MotX87();
    const uint32_t sseAvant = MotSse();
    DefinirX87(X87Double);
    DefinirSse(SseRapide);
    p.Executer(2, im.pixels, im.largeur, im.hauteur);
    const uint16_t x87Apres = MotX87();
    DefinirX87(x87Avant);
    DefinirSse(sseAvant);
    p.PendantAppel = nullptr;
    EXPECT_EQ(x87Dedans, 0x037F);
    EXPECT_EQ(sseDedans & ~Drapeaux, 0x1F80u);
    EXPECT_EQ(x87Rappel, X87Double);
    EXPECT_EQ(x87Apres, X87Double);
    EXPECT_EQ(p.appels.size(), 1u);
#endif
}

// The exports that do no pixel work give the host's word back too.
TEST(EnvironnementFpu, IdentityAndMenuGiveTheWordBack) {
#ifndef VELMORA_X87
    GTEST_SKIP() << "no x87 unit";
#else
    const uint16_t avant = MotX87();
    DefinirX87(X87Double);
    int32_t majeur = 0, mineur = 0, index = 0;
    Plugin::Instance().PrmDLL(&majeur, &mineur, nullptr);
    const uint16_t apresPrmDLL = MotX87();
    Plugin::Instance().AddMenu(&index);
    const uint16_t apresAddMenu = MotX87();
    DefinirX87(avant);
    EXPECT_EQ(apresPrmDLL, X87Double);
    EXPECT_EQ(apresAddMenu, X87Double);
#endif
}
