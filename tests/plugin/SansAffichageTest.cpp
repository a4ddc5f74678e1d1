// A host without any display: a dialog operation must not take it down.
#include "Processus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

// Runs the minimal host on the built library, in a fresh process whose
// environment names no display of any kind.
banc::Issue Lancer(const char *operation) {
    return banc::Executer({std::getenv("VELMORA_HOTE_MINIMAL"), std::getenv("VELMORA_PLUGIN"),
                           operation},
                          [](std::string_view v) {
                              return v.starts_with("DISPLAY=") || v.starts_with("WAYLAND_DISPLAY=") ||
                                     v.starts_with("QT_QPA_PLATFORM=");
                          });
}

TEST(SansAffichage, UnDialogueNeFaitRienEtLeDit) {
    if (!std::getenv("VELMORA_HOTE_MINIMAL")) GTEST_SKIP() << "no minimal host";
    for (const char *op : {"2", "9"}) {
        const banc::Issue s = Lancer(op);
        EXPECT_EQ(s.code, 0) << op << ": " << s.err;
        EXPECT_EQ(s.out, "notices 0, pixels inchangés\n") << op;
        EXPECT_NE(s.err.find("aucun affichage disponible"), std::string::npos) << s.err;
        // One line, once.
        EXPECT_EQ(std::count(s.err.begin(), s.err.end(), '\n'), 1) << s.err;
    }
    // The direct operations still work there.
    const banc::Issue s = Lancer("1");
    EXPECT_EQ(s.code, 0);
    EXPECT_EQ(s.out, "notices 1, pixels changés\n");
}

} // namespace
