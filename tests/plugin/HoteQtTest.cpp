// Qt hosts written elsewhere end as they like: the application object made with
// new and never deleted, main returning or exit() called from a menu slot, the
// shared page published by the host or left to the plug-in. Whatever dialog
// the plug-in showed, the host's exit code stands and the plug-in leaves its
// windows to the system.
#include "Processus.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

TEST(HoteQt, LaSortieDuProcessusGardeSonCode) {
    const char *plugin = std::getenv("VELMORA_PLUGIN");
    if (!plugin || !std::getenv("VELMORA_HOTE_QT")) GTEST_SKIP() << "no Qt test host";
    // Modal dialogs closed by "Annuler" (one final notice), and the colour
    // balance still open at exit (its zone request only).
    const std::pair<const char *, const char *> operations[] = {
        {"2", "notices 1\n"}, {"3", "notices 1\n"}, {"9", "notices 1\n"}, {"7", "notices 1\n"}};
    for (const char *hote : {"VELMORA_HOTE_QT", "VELMORA_HOTE_QT_PAGE"})
        for (const auto &[operation, sortie] : operations)
            for (const char *fin : {"retour", "exit"}) {
                const banc::Issue s = banc::Executer({std::getenv(hote), plugin, operation, fin});
                SCOPED_TRACE(std::string(hote) + " " + operation + " " + fin + ": " + s.err);
                EXPECT_EQ(s.code, 0);
                EXPECT_EQ(s.out, sortie);
                EXPECT_EQ(s.err.find("détruite"), std::string::npos);
            }
}

} // namespace
