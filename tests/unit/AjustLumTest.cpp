#include "dialogs/AjustLum/AjustLum.h"
#include "imaging/ErreursFichier.h"
#include "Chemins.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <unistd.h>
#include <vector>

using namespace velmora;
using namespace velmora::ajustlum;

namespace {

struct Px3 {
    int r, v, b;
    friend bool operator==(Px3, Px3) = default;
    friend std::ostream &operator<<(std::ostream &o, Px3 p) {
        return o << "(R " << p.r << ", V " << p.v << ", B " << p.b << ")";
    }
};

Px3 Mapper(const TProfil &p, Px3 x) {
    TPtImg s{uint8_t(x.b), uint8_t(x.v), uint8_t(x.r)}, d;
    RegleLum(p).Traiter(&s, &d, 1);
    const TPtImg ref = MapperPixel(p, s);
    EXPECT_EQ(std::memcmp(&ref, &d, 3), 0);
    return {d.Rouge, d.Vert, d.Bleu};
}

TEST(MappageLum, ExemplesDonnes) {
    TProfil p = TProfil::Identite();
    p[200] = 155;  // output 100 at 200: factor 0.5, 50.5 -> 50, 25.5 -> 26
    EXPECT_EQ(Mapper(p, {200, 101, 51}), (Px3{100, 50, 26}));
    p[128] = 0;    // output 255 at 128: 64 * 255 / 128 = 127.5 -> 128
    EXPECT_EQ(Mapper(p, {128, 64, 0}), (Px3{255, 128, 0}));
    EXPECT_EQ(Mapper(p, {0, 64, 128}), (Px3{0, 128, 255}));
}

TEST(MappageLum, NoirEtGris) {
    TProfil p = TProfil::Identite();
    std::mt19937 gen(5);
    for (int32_t i = -3; i <= 258; ++i) p[i] = int32_t(gen() % 700) - 200;
    p[0] = INT_MIN;
    p[1] = INT_MAX;  // output far below 0: black
    p[2] = INT_MIN;  // output far above 255: white for a grey
    EXPECT_EQ(Mapper(p, {0, 0, 0}), (Px3{0, 0, 0}));
    EXPECT_EQ(Mapper(p, {1, 0, 1}), (Px3{0, 0, 0}));
    EXPECT_EQ(Mapper(p, {2, 2, 2}), (Px3{255, 255, 255}));
    EXPECT_EQ(Mapper(p, {2, 1, 0}), (Px3{255, 255, 0}));
    for (int v = 3; v < 256; ++v) {
        const int w = std::clamp(255 - p[v], 0, 255);
        EXPECT_EQ(Mapper(p, {v, v, v}), (Px3{w, w, w})) << v;
    }
    // A row above 255 (an output below 0) turns the pixels with that largest channel black.
    TProfil q = TProfil::Identite();
    q[90] = 256;
    EXPECT_EQ(Mapper(q, {90, 3, 89}), (Px3{0, 0, 0}));
    EXPECT_EQ(Mapper(q, {91, 3, 89}), (Px3{91, 3, 89}));
}

// Every colour through the block rule against the stated rule.
void ToutesLesCouleurs(const TProfil &p, bool identite) {
    const RegleLum r(p);
    std::vector<TPtImg> src(1 << 16), dst(1 << 16);
    std::size_t ecarts = 0;
    for (uint32_t rouge = 0; rouge < 256; ++rouge) {
        for (uint32_t i = 0; i < src.size(); ++i) src[i] = {uint8_t(i), uint8_t(i >> 8), uint8_t(rouge)};
        r.Traiter(src.data(), dst.data(), src.size());
        for (uint32_t i = 0; i < src.size(); ++i) {
            const TPtImg attendu = identite ? src[i] : MapperPixel(p, src[i]);
            ecarts += std::memcmp(&attendu, &dst[i], 3) != 0;
        }
    }
    EXPECT_EQ(ecarts, 0u);
}

TEST(MappageLum, IdentiteSurToutesLesCouleurs) { ToutesLesCouleurs(TProfil::Identite(), true); }

// A curve edited within the graph (each factor's numerator a byte: the 16-bit
// path), then with rows beyond it (the table's path).
TEST(MappageLum, TableCommeLaRegleSurToutesLesCouleurs) {
    SurChaqueChemin([&] {
        TProfil p = TProfil::Identite();
        for (int x = 0; x < 5; ++x) ModifProfil(p, 40 + 37 * x, 255 - (40 + 37 * x) + (x % 2 ? 60 : -70), Noyau::Luminosite);
        ToutesLesCouleurs(p, false);
        p[17] = -40;
        p[18] = 300;
        ToutesLesCouleurs(p, false);
    });
}

TEST(MappageLum, TableCommeLaRegleSurChaqueRangee) {
    SurChaqueChemin([&] {
        // Every row a curve entry can hold near the graph (and the far ends), for
        // every largest channel V and every other channel c <= V: the exact halves
        // (V = 128 with row 0: 64 * 255 / 128) included.
        std::vector<int32_t> rangees;
        for (int32_t r = -60; r <= 300; ++r) rangees.push_back(r);
        for (int32_t r : {INT_MIN, INT_MIN + 1, -1000000, 1000000, INT_MAX}) rangees.push_back(r);
        std::vector<TPtImg> src, dst;
        for (int32_t V = 0; V < 256; ++V)
            for (int32_t c = 0; c <= V; ++c) src.push_back({uint8_t(c), uint8_t(c / 2), uint8_t(V)});
        dst.resize(src.size());
        std::size_t ecarts = 0;
        for (int32_t r : rangees) {
            TProfil p;
            p.Valeurs.fill(r);
            const auto regle = std::make_unique<RegleLum>(p);
            regle->Traiter(src.data(), dst.data(), src.size());
            for (std::size_t i = 0; i < src.size(); ++i) {
                const TPtImg a = MapperPixel(p, src[i]);
                ecarts += std::memcmp(&a, &dst[i], 3) != 0;
            }
        }
        EXPECT_EQ(ecarts, 0u);
    });
}

// Factor 1/2 at every even V: half the channels fall on exact halves.
TEST(MappageLum, ToutesLesLongueursEtSurPlace) {
    TProfil p = TProfil::Identite();
    for (int32_t V = 2; V < 256; V += 2) p[V] = 255 - V / 2;
    const auto r = std::make_unique<RegleLum>(p);
    ToutesLesLongueurs(*r, [&](TPtImg x) { return MapperPixel(p, x); });
}

// --- .plu files ----------------------------------------------------------------

std::filesystem::path Dossier() {
    auto d = std::filesystem::temp_directory_path() / ("velmora-plu-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
}

std::string LireTout(const std::filesystem::path &p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

int32_t EntierA(const std::string &o, std::size_t d) {
    return int32_t(uint32_t(uint8_t(o[d])) | uint32_t(uint8_t(o[d + 1])) << 8 |
                   uint32_t(uint8_t(o[d + 2])) << 16 | uint32_t(uint8_t(o[d + 3])) << 24);
}

// File integer j is -1000 * (j + 1): entry i of the first block gets -1000 * (i + 4).
std::string Contenu(std::size_t taille) {
    std::string s(taille, '\0');
    for (std::size_t i = 0; i < taille; ++i)
        s[i] = char(uint32_t(-1000 * int32_t(i / 4 + 1)) >> (8 * (i % 4)));
    return s;
}

struct CasPlu {
    std::size_t taille;
    int32_t entiers;  // whole integers that replace the curve's first entries
    bool erreur;
};

class ChargementPlu : public testing::TestWithParam<CasPlu> {};

TEST_P(ChargementPlu, SelonLaTaille) {
    const CasPlu c = GetParam();
    const auto chemin = Dossier() / ("t" + std::to_string(c.taille) + ".plu");
    std::ofstream(chemin, std::ios::binary) << Contenu(c.taille);
    TProfil p = TProfil::Identite();
    std::optional<std::string> message;
    try {
        ChargerPlu(chemin, p);
    } catch (const ErreurFichier &e) {
        message = e.what();
    }
    EXPECT_EQ(message, c.erreur ? std::optional<std::string>("Lecture au-delà de la fin de fichier")
                                : std::nullopt);
    for (int32_t i = -3; i <= 258; ++i)
        EXPECT_EQ(p[i], i + 3 < c.entiers ? -1000 * (i + 4) : 255 - i) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Fichiers, ChargementPlu,
    testing::Values(CasPlu{0, 0, true}, CasPlu{1000, 250, true}, CasPlu{1048, 262, false},
                    CasPlu{1500, 262, false}, CasPlu{2096, 262, false}, CasPlu{4192, 262, false},
                    CasPlu{5000, 262, false}),
    [](const auto &i) { return "octets_" + std::to_string(i.param.taille); });

TEST(FichiersPlu, EnregistrerPuisRelire) {
    const auto chemin = Dossier() / "ouverture.plu";
    EnregistrerPlu(chemin, TProfil::Identite());
    const std::string o = LireTout(chemin);
    ASSERT_EQ(o.size(), 1048u);
    EXPECT_EQ(EntierA(o, 0), 258);
    EXPECT_EQ(EntierA(o, 4), 257);
    EXPECT_EQ(EntierA(o, 8), 256);
    EXPECT_EQ(EntierA(o, 12), 255);
    EXPECT_EQ(EntierA(o, 1036), -1);
    EXPECT_EQ(EntierA(o, 1040), -2);
    EXPECT_EQ(EntierA(o, 1044), -3);

    TProfil p = TProfil::Identite();
    ModifProfil(p, 128, 27, Noyau::Luminosite);
    p[-3] = INT_MAX;
    EnregistrerPlu(chemin, p);
    TProfil q;
    ChargerPlu(chemin, q);
    EXPECT_EQ(q, p);

    // A file cut short by one byte: the last entry keeps its high byte.
    std::string court = LireTout(chemin);
    court.pop_back();
    std::ofstream(chemin, std::ios::binary | std::ios::trunc) << court;
    TProfil r = TProfil::Identite();
    r[258] = 0x7F000000;
    EXPECT_THROW(ChargerPlu(chemin, r), ErreurFichier);
    EXPECT_EQ(r[257], p[257]);
    EXPECT_EQ(uint32_t(r[258]), 0x7F000000u | (uint32_t(p[258]) & 0xFFFFFFu));
}

} // namespace
