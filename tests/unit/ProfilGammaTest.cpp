#include "dialogs/ProfilGamma/ProfilGamma.h"
#include "imaging/ErreursFichier.h"
#include "Chemins.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <unistd.h>
#include <vector>

using namespace velmora;
using namespace velmora::profilgamma;

namespace {

std::vector<TPtImg> Aleatoires(std::size_t n, uint32_t graine) {
    std::mt19937 gen(graine);
    std::vector<TPtImg> px(n);
    for (TPtImg &p : px) p = {uint8_t(gen()), uint8_t(gen()), uint8_t(gen())};
    return px;
}

std::vector<TPtImg> Appliquer(const Profils &p, const std::vector<TPtImg> &src) {
    std::vector<TPtImg> dst(src.size());
    RegleGamma(p).Traiter(src.data(), dst.data(), src.size());
    return dst;
}

// Output level x at input v: graph row 255 - x.
void Niveler(TProfil &p, int v, int sortie) { p[v] = 255 - sortie; }

TEST(MappageGamma, IdentiteLaisseTout) {
    const auto src = Aleatoires(1003, 1);
    const auto dst = Appliquer(Profils{}, src);
    EXPECT_EQ(std::memcmp(src.data(), dst.data(), src.size() * 3), 0);
}

TEST(MappageGamma, ToutesInverseeInverse) {
    Profils p;
    for (int x = 0; x < 256; ++x) p.ProfToutes[x] = x;
    const auto src = Aleatoires(1001, 2);
    const auto dst = Appliquer(p, src);
    for (std::size_t i = 0; i < src.size(); ++i) {
        EXPECT_EQ(dst[i].Bleu, 255 - src[i].Bleu);
        EXPECT_EQ(dst[i].Vert, 255 - src[i].Vert);
        EXPECT_EQ(dst[i].Rouge, 255 - src[i].Rouge);
    }
}

TEST(MappageGamma, UnCanalSeul) {
    // A curve on one channel changes that channel's byte alone.
    for (int canal = 0; canal < 3; ++canal) {
        Profils p;
        TProfil &c = canal == 0 ? p.ProfBleu : canal == 1 ? p.ProfVert : p.ProfRouge;
        for (int x = 0; x < 256; ++x) Niveler(c, x, x / 2);
        const auto src = Aleatoires(999, 3);
        const auto dst = Appliquer(p, src);
        for (std::size_t i = 0; i < src.size(); ++i) {
            const uint8_t s[3] = {src[i].Bleu, src[i].Vert, src[i].Rouge};
            const uint8_t d[3] = {dst[i].Bleu, dst[i].Vert, dst[i].Rouge};
            for (int k = 0; k < 3; ++k) EXPECT_EQ(d[k], k == canal ? s[k] / 2 : s[k]);
        }
    }
}

TEST(MappageGamma, ToutesPuisCanal) {
    // All channels: 100 -> 150 (row 105); green: 150 -> 40 (row 215).
    Profils p;
    p.ProfToutes[100] = 105;
    p.ProfVert[150] = 215;
    const auto dst = Appliquer(p, {{100, 100, 100}, {7, 100, 150}});
    EXPECT_EQ(dst[0].Vert, 40);
    EXPECT_EQ(dst[0].Rouge, 150);
    EXPECT_EQ(dst[0].Bleu, 150);
    EXPECT_EQ(dst[1].Bleu, 7);
    EXPECT_EQ(dst[1].Vert, 40);
    EXPECT_EQ(dst[1].Rouge, 150);
}

TEST(MappageGamma, CourbesHorsDuGraphe) {
    // Intermediate levels are brought into 0..255 before indexing the channel's
    // curve, every byte is limited: no read leaves the table.
    Profils p;
    p.ProfToutes[10] = 300;      // level -45 -> 0
    p.ProfToutes[20] = INT_MIN;  // level far above 255 -> 255
    p.ProfToutes[30] = INT_MAX;  // level far below 0 -> 0
    p.ProfToutes[40] = -4;       // level 259 -> 255
    p.ProfRouge[0] = -50;        // red output 305 -> 255
    p.ProfRouge[255] = 900;      // red output -645 -> 0
    p.ProfVert[60] = INT_MIN;    // green output -> 255
    p.ProfBleu[60] = INT_MAX;    // blue output -> 0
    EXPECT_EQ(Niveau(p.ProfToutes, p.ProfBleu, 10), 0);
    EXPECT_EQ(Niveau(p.ProfToutes, p.ProfRouge, 10), 255);
    EXPECT_EQ(Niveau(p.ProfToutes, p.ProfBleu, 20), 255);
    EXPECT_EQ(Niveau(p.ProfToutes, p.ProfRouge, 20), 0);
    EXPECT_EQ(Niveau(p.ProfToutes, p.ProfVert, 30), 0);
    EXPECT_EQ(Niveau(p.ProfToutes, p.ProfRouge, 40), 0);
    EXPECT_EQ(Niveau(p.ProfToutes, p.ProfVert, 60), 255);
    EXPECT_EQ(Niveau(p.ProfToutes, p.ProfBleu, 60), 0);
    const auto dst = Appliquer(p, {{10, 20, 40}, {60, 60, 60}});
    EXPECT_EQ(dst[0].Bleu, 0);
    EXPECT_EQ(dst[0].Vert, 255);
    EXPECT_EQ(dst[0].Rouge, 0);
    EXPECT_EQ(dst[1].Bleu, 0);
    EXPECT_EQ(dst[1].Vert, 255);
    EXPECT_EQ(dst[1].Rouge, 60);
}

TEST(MappageGamma, BlocCommePixelParPixel) {
    // Any run length and in place: the block rule gives the stated mapping of
    // every channel, for curves of any values; also when a single curve is
    // edited (the other channels' tables are the identity) and when only the
    // common curve is (one table for all three channels).
    std::mt19937 gen(11);
    auto hasard = [&](TProfil &c) {
        for (int32_t i = -3; i <= 258; ++i)
            c[i] = int32_t(gen() % 400) - 70 + (gen() % 50 == 0 ? int32_t(gen()) : 0);
    };
    Profils toutes, rouge, commune;
    for (TProfil *c : {&toutes.ProfToutes, &toutes.ProfRouge, &toutes.ProfVert, &toutes.ProfBleu}) hasard(*c);
    hasard(rouge.ProfRouge);
    hasard(commune.ProfToutes);
    for (const Profils *p : {&toutes, &rouge, &commune}) {
        SCOPED_TRACE(p == &toutes ? "every curve" : p == &rouge ? "red curve only" : "common curve only");
        const RegleGamma r(*p);
        SurChaqueChemin([&] {
            for (std::size_t n : {0u, 1u, 3u, 5u, 31u, 32u, 33u, 63u, 64u, 65u, 127u, 128u, 129u, 257u, 1000u}) {
                auto px = Aleatoires(n, uint32_t(n) + 5);
                const auto src = px;
                r.Traiter(px.data(), px.data(), n);
                for (std::size_t i = 0; i < n; ++i) {
                    ASSERT_EQ(px[i].Rouge, Niveau(p->ProfToutes, p->ProfRouge, src[i].Rouge)) << n << " " << i;
                    ASSERT_EQ(px[i].Vert, Niveau(p->ProfToutes, p->ProfVert, src[i].Vert)) << n << " " << i;
                    ASSERT_EQ(px[i].Bleu, Niveau(p->ProfToutes, p->ProfBleu, src[i].Bleu)) << n << " " << i;
                }
            }
        });
    }
}

// --- .pfl files ----------------------------------------------------------------

std::filesystem::path Dossier() {
    auto d = std::filesystem::temp_directory_path() / ("velmora-pfl-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
}

std::string LireTout(const std::filesystem::path &p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

int32_t EntierA(const std::string &octets, std::size_t decalage) {
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | uint8_t(octets[decalage + std::size_t(k)]);
    return int32_t(v);
}

// The j-th 32-bit integer of the test files, with all four bytes in use.
int32_t ValeurFichier(std::size_t j) { return int32_t(0x9E3779B9u * uint32_t(j + 1)); }

std::string Contenu(std::size_t taille) {
    std::string s(taille, '\0');
    for (std::size_t i = 0; i < taille; ++i)
        s[i] = char(uint32_t(ValeurFichier(i / 4)) >> (8 * (i % 4)));
    return s;
}

// What block b of a file of `taille` bytes leaves in a curve that held the identity.
TProfil Attendu(std::size_t taille, std::size_t b) {
    TProfil p = TProfil::Identite();
    for (int32_t i = -3; i <= 258; ++i) {
        const std::size_t j = b * 262 + std::size_t(i + 3);  // integer index in the file
        const std::size_t debut = 4 * j;
        if (debut + 4 <= taille) {
            p[i] = ValeurFichier(j);
        } else if (debut < taille) {  // the low bytes came, the high ones stay
            const uint32_t masque = (1u << (8 * (taille - debut))) - 1;
            p[i] = int32_t((uint32_t(p[i]) & ~masque) | (uint32_t(ValeurFichier(j)) & masque));
        }
    }
    return p;
}

struct CasPfl {
    std::size_t taille;
    int blocs;   // blocks taken from the file (the last one possibly cut short)
    bool erreur; // "Lecture au-delà de la fin de fichier"
};

class ChargementPfl : public testing::TestWithParam<CasPfl> {};

TEST_P(ChargementPfl, SelonLaTaille) {
    const CasPfl c = GetParam();
    const auto chemin = Dossier() / ("t" + std::to_string(c.taille) + ".pfl");
    std::ofstream(chemin, std::ios::binary) << Contenu(c.taille);
    Profils p;
    std::optional<std::string> message;
    try {
        ChargerPfl(chemin, p);
    } catch (const ErreurFichier &e) {
        message = e.what();
    }
    if (c.erreur)
        EXPECT_EQ(message, std::optional<std::string>("Lecture au-delà de la fin de fichier"));
    else
        EXPECT_EQ(message, std::nullopt);
    const TProfil *courbes[] = {&p.ProfToutes, &p.ProfRouge, &p.ProfVert, &p.ProfBleu};
    for (int b = 0; b < 4; ++b)
        EXPECT_EQ(*courbes[b], b < c.blocs ? Attendu(c.taille, std::size_t(b)) : TProfil::Identite())
            << "block " << b + 1;
}

INSTANTIATE_TEST_SUITE_P(
    Fichiers, ChargementPfl,
    testing::Values(CasPfl{0, 0, true}, CasPfl{1000, 1, true}, CasPfl{1048, 1, false},
                    CasPfl{1500, 1, false}, CasPfl{2095, 1, false}, CasPfl{2096, 2, true},
                    CasPfl{3146, 4, true}, CasPfl{4192, 4, false}, CasPfl{5000, 4, false}),
    [](const auto &i) { return "octets_" + std::to_string(i.param.taille); });

TEST(FichiersPfl, EnregistrerPuisRelire) {
    const auto chemin = Dossier() / "ouverture.pfl";
    EnregistrerPfl(chemin, Profils{});
    const std::string octets = LireTout(chemin);
    ASSERT_EQ(octets.size(), 4192u);
    for (std::size_t b = 0; b < 4; ++b) {
        EXPECT_EQ(octets.substr(b * 1048, 1048), octets.substr(0, 1048));
        EXPECT_EQ(EntierA(octets, b * 1048 + 0), 258);
        EXPECT_EQ(EntierA(octets, b * 1048 + 4), 257);
        EXPECT_EQ(EntierA(octets, b * 1048 + 8), 256);
        EXPECT_EQ(EntierA(octets, b * 1048 + 12), 255);
        EXPECT_EQ(EntierA(octets, b * 1048 + 1044), -3);
    }

    // Four different curves, values outside the graph included, come back as they were.
    Profils p;
    ModifProfil(p.ProfToutes, 30, 200, Noyau::Gamma);
    ModifProfil(p.ProfRouge, 200, 10, Noyau::Gamma);
    p.ProfVert[7] = INT_MIN;
    p.ProfBleu[258] = -77;
    EnregistrerPfl(chemin, p);
    EXPECT_EQ(EntierA(LireTout(chemin), 2 * 1048 + 4 * 10), INT_MIN);
    Profils q;
    ChargerPfl(chemin, q);
    EXPECT_EQ(q.ProfToutes, p.ProfToutes);
    EXPECT_EQ(q.ProfRouge, p.ProfRouge);
    EXPECT_EQ(q.ProfVert, p.ProfVert);
    EXPECT_EQ(q.ProfBleu, p.ProfBleu);
}

TEST(FichiersPfl, Echecs) {
    Profils p;
    auto message = [](auto &&f) -> std::string {
        try {
            f();
        } catch (const ErreurFichier &e) {
            return e.what();
        }
        return "";
    };
    EXPECT_EQ(message([&] { ChargerPfl(Dossier() / "absent.pfl", p); }), "Fichier introuvable");
    EXPECT_EQ(message([&] { ChargerPfl(Dossier(), p); }), "Accès au fichier refusé");
    EXPECT_EQ(message([&] { EnregistrerPfl(Dossier() / "pas" / "la.pfl", p); }),
              "Nom de fichier incorrect");
    EXPECT_EQ(p.ProfToutes, TProfil::Identite());
}

} // namespace
