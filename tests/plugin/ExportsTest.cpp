// The four exports, through the built library.
#include "HotePlugin.h"

#include <QCursor>

#include <cstdio>
#include <set>
#include <string>

using banc::Image;
using banc::Plugin;

namespace {

Plugin &P() { return Plugin::Instance(); }

std::set<std::string> SymbolesExportes() {
    std::set<std::string> noms;
    const std::string commande = "nm -D --defined-only '" + Plugin::Chemin() + "'";
    FILE *f = popen(commande.c_str(), "r");
    if (!f) return noms;
    char ligne[512];
    while (std::fgets(ligne, sizeof ligne, f)) {
        std::string s(ligne);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        const auto espace = s.rfind(' ');
        if (espace != std::string::npos) noms.insert(s.substr(espace + 1));
    }
    pclose(f);
    return noms;
}

} // namespace

// The four, and the settings entry of velmora/reglages.h (the Windows DLLs
// keep the four only: their tables are checked there).
TEST(Exports, TheFourFunctionsAndTheSettingsEntry) {
    const std::set<std::string> attendus{"AddMenu", "AdrRetour", "PrmDLL", "XchgData",
                                         "VelmoraInterface"};
    EXPECT_EQ(SymbolesExportes(), attendus);
}

TEST(Exports, IdentityFromTheVersionBlock) {
    int32_t majeur = -1, mineur = -1;
    const char *categorie = nullptr;
    const char *titre = P().PrmDLL(&majeur, &mineur, &categorie);
    ASSERT_NE(titre, nullptr);
    EXPECT_STREQ(titre, "Lumacrest (Orvelinque)");
    EXPECT_EQ(majeur, 4);
    EXPECT_EQ(mineur, 0);
    ASSERT_NE(categorie, nullptr);
    EXPECT_STREQ(categorie, "Couleurs");
    // A host that passes no variable gets the title all the same.
    EXPECT_STREQ(P().PrmDLL(nullptr, nullptr, nullptr), "Lumacrest (Orvelinque)");
}

TEST(Exports, MenuTable) {
    int32_t index = 0;
    EXPECT_STREQ(P().AddMenu(&index), "Couleurs");
    EXPECT_EQ(index, 9);
    const char *captions[] = {
        "Inversion",
        "Ajustement manuel L, G, C, S",
        "Ajustement des profils Gamma",
        "Ajustement manuel Luminosit\xE9", // Windows-1252
        "Ajustement auto Luminosit\xE9",
        "Ajustement auto Couleurs",
        "Equilibrage",
        "Grain ou Bruit",
        "MonoChrome",
    };
    for (int32_t i = 1; i <= 9; ++i) {
        int32_t j = i;
        EXPECT_STREQ(P().AddMenu(&j), captions[i - 1]);
        EXPECT_EQ(j, i);
    }
    for (int32_t hors : {-1, 10, 1 << 30}) {
        int32_t j = hors;
        EXPECT_EQ(P().AddMenu(&j), nullptr);
        EXPECT_EQ(j, hors);
    }
    EXPECT_EQ(P().AddMenu(nullptr), nullptr);
}

TEST(Exports, OperationsOutOfRangeDoNothing) {
    P().Brancher();
    Image img(4, 3), zone(2, 1);
    img.Remplir();
    zone.Remplir(2);
    const auto avant = img.Octets();
    const struct { uint32_t op, mode; } cas[] = {{0, 0}, {10, 0}, {4294967295u, 0}, {7, 2}, {7, 0xFFFFFFFFu}};
    for (auto c : cas) {
        P().Executer(c.op, img.pixels, img.largeur, img.hauteur, c.mode, zone.pixels);
        EXPECT_EQ(img.Octets(), avant) << c.op;
        EXPECT_EQ(img.References(), 1);
        EXPECT_EQ(zone.References(), 1);
    }
    EXPECT_TRUE(P().appels.empty());
}

TEST(Exports, DirectOperationsCallBackOnceAndKeepReferences) {
    for (uint32_t op : {1u, 5u, 6u}) {
        SCOPED_TRACE(op);
        P().Brancher();
        Image img(7, 5), autre(3, 3);
        img.Remplir(op);
        P().Executer(op, img.pixels, img.largeur, img.hauteur, 0, autre.pixels);
        ASSERT_EQ(P().appels.size(), 1u);
        banc::AppelAttendu(P().appels[0], 7, 5, 0, 1, 1);
        EXPECT_EQ(img.References(), 1);
        EXPECT_EQ(autre.References(), 1);
    }
}

TEST(Exports, ChangedFlagIsReadFromItsLowByteOnly) {
    // Sent as exactly 1 so that a host reading the whole slot is not misled either.
    P().Brancher();
    Image img(2, 2);
    img.Remplir();
    int32_t brut = -1;
    P().AdrRetour(reinterpret_cast<void *>(+[](void *ctx, int32_t, int32_t, int32_t, int32_t,
                                                 int32_t, int32_t, int32_t m, int32_t) {
                      *static_cast<int32_t *>(ctx) = m;
                  }),
                  &brut);
    P().Executer(1, img.pixels, 2, 2);
    EXPECT_EQ(brut & 0xFF, 1);
}

TEST(Exports, InversionThroughTheLibrary) {
    P().Brancher();
    Image img(3, 2);
    img.Remplir(7);
    img[0] = {0, 128, 255};
    const auto avant = img.Octets();
    P().Executer(1, img.pixels, 3, 2);
    EXPECT_EQ(img[0].Bleu, 255);
    EXPECT_EQ(img[0].Vert, 127);
    EXPECT_EQ(img[0].Rouge, 0);
    for (std::size_t i = 0; i < avant.size(); ++i) ASSERT_EQ(img.Octets()[i], 255 - avant[i]);
    P().Executer(1, img.pixels, 3, 2);
    EXPECT_EQ(img.Octets(), avant);
    EXPECT_EQ(P().appels.size(), 2u);
}

TEST(Exports, EmptyImageStillCallsBack) {
    for (uint32_t op : {1u, 5u, 6u}) {
        P().Brancher();
        P().Executer(op, nullptr, 0, 0);
        ASSERT_EQ(P().appels.size(), 1u) << op;
        banc::AppelAttendu(P().appels[0], 0, 0, 0, 1, 1);
    }
}

TEST(Exports, AutomaticOperationsOnSmallFixtures) {
    const struct {
        uint32_t op;
        TPtImg entree, attendu;
    } cas[] = {
        {5, {128, 128, 128}, {128, 128, 128}}, // uniform grey: shift 0, stretch keeps 128
        {6, {128, 128, 128}, {128, 128, 128}},
        {5, {0, 0, 0}, {0, 0, 0}},             // all black: no peak, unchanged
        {6, {0, 0, 255}, {1, 1, 255}},         // pure red: every channel shifted by +1
    };
    for (auto c : cas) {
        P().Brancher();
        Image img(16, 16);
        img.Uniforme(c.entree);
        P().Executer(c.op, img.pixels, 16, 16);
        for (int32_t i = 0; i < img.size(); ++i) {
            ASSERT_EQ(img[i].Bleu, c.attendu.Bleu) << c.op;
            ASSERT_EQ(img[i].Vert, c.attendu.Vert) << c.op;
            ASSERT_EQ(img[i].Rouge, c.attendu.Rouge) << c.op;
        }
        ASSERT_EQ(P().appels.size(), 1u);
    }
}

TEST(Exports, DialogRefusedWhenTheArrayIsShorterThanItsSize) {
    // A dialog works on largeur x hauteur pixels: an array that does not hold
    // that many is refused before anything is shown, read or written.
    P().Brancher();
    Image img(4, 4);
    img.Remplir();
    const auto avant = img.Octets();
    for (uint32_t op : {2u, 3u, 4u, 7u, 8u, 9u}) {
        P().Executer(op, img.pixels, 5, 4);
        P().Executer(op, img.pixels, -4, -4);
        P().Executer(op, nullptr, 2, 2);
    }
    EXPECT_EQ(img.Octets(), avant);
    EXPECT_EQ(img.References(), 1);
    EXPECT_TRUE(P().appels.empty());
}

TEST(Exports, NoCallbackRegisteredIsNeverCalled) {
    P().AdrRetour(nullptr, nullptr);
    Image img(2, 2);
    img.Remplir();
    for (uint32_t op : {1u, 5u, 6u}) P().Executer(op, img.pixels, 2, 2);
    EXPECT_EQ(img.References(), 1);
}

TEST(Exports, BusyCursorDuringADirectOperationUnderAUserInterface) {
    // The host has a QApplication and has opened no dialog yet.
    banc::AssurerQApplication();
    P().Brancher();
    bool attente = false;
    P().PendantAppel = [&](const banc::Appel &) {
        const QCursor *c = QApplication::overrideCursor();
        attente = c && c->shape() == Qt::WaitCursor;
    };
    Image img(4, 4);
    img.Remplir();
    for (uint32_t op : {1u, 5u, 6u}) {
        attente = false;
        P().Executer(op, img.pixels, 4, 4);
        EXPECT_TRUE(attente) << op;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << op;
    }
}
