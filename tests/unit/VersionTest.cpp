#include "plugin/Version.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace velmora::version;
using namespace std::string_literals;

namespace {
// Text as a version block holds it: 16-bit characters, so every other byte is 0.
std::vector<uint8_t> Seize(const std::string &s) {
    std::vector<uint8_t> v;
    for (char c : s) {
        v.push_back(uint8_t(c));
        v.push_back(0);
    }
    return v;
}
} // namespace

TEST(Version, BuiltLibraryCarriesTheBlock) {
    const char *plugin = std::getenv("VELMORA_PLUGIN");
    ASSERT_NE(plugin, nullptr);
    const auto bloc = LireBloc(plugin);
    EXPECT_EQ(bloc, BlocEmbarque());
    const auto c = ExtraireChiffres(bloc);
    EXPECT_EQ(c.majeur, 4);
    EXPECT_EQ(c.mineur, 0);
    EXPECT_TRUE(c.echec.empty());
}

TEST(Version, DigitsAfterFileVersion) {
    const struct {
        std::string texte;
        std::optional<int32_t> majeur, mineur;
        std::string echec;
    } cas[] = {
        {"CompanyName\0Velmora\0FileVersion\0\0004.0.0.0"s, 4, 0, ""},
        {"FileVersion7.3.1.2ProductVersion9.9", 7, 3, ""},
        {"FileVersion9.9.9.9", 9, 9, ""},  // the top digit is still a digit
        {"FileVersion0.0.0.0", 0, 0, ""},
        {"FileVersion12.3.0.0", 1, std::nullopt, "."}, // one digit each: the major is cut
        {"FileVersionx.0.0.0", std::nullopt, std::nullopt, "x"},
        {"FileVersion4", 4, std::nullopt, ""},          // too short: the minor is missing
        {"ProductVersion4.0.0.0", std::nullopt, std::nullopt, ""},
        {"", std::nullopt, std::nullopt, ""},
    };
    for (const auto &c : cas) {
        SCOPED_TRACE(c.texte);
        const auto r = ExtraireChiffres(Seize(c.texte));
        EXPECT_EQ(r.majeur, c.majeur);
        EXPECT_EQ(r.mineur, c.mineur);
        EXPECT_EQ(r.echec, c.echec);
    }
}

TEST(Version, UnreadableFilesGiveAnEmptyBlock) {
    EXPECT_TRUE(LireBloc("/nonexistent/velmora.so").empty());
    EXPECT_TRUE(LireBloc("/proc/self/status").empty()); // not an ELF file
}
