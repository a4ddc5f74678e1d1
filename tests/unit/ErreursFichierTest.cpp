#include "imaging/ErreursFichier.h"
#include <velmora/windows1252.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace velmora;

TEST(ErreursFichier, Messages) {
    const struct { int code; const char *texte; } cas[] = {
        {ENOENT, "Fichier introuvable"},
        {ENOTDIR, "Nom de fichier incorrect"},
        {EMFILE, "Trop de fichiers ouverts"},
        {EACCES, "Accès au fichier refusé"},
        {ErreurFichier::FinDeFichier, "Lecture au-delà de la fin de fichier"},
        {ENOSPC, "Disque plein"},
        {EIO, "Erreur E/S 5"},
    };
    for (const auto &c : cas) {
        EXPECT_EQ(MessageErreurFichier(c.code), c.texte);
        EXPECT_STREQ(ErreurFichier(c.code).what(), c.texte);
    }
}

TEST(ErreursFichier, LectureCourteGardeLesOctetsLus) {
    const auto f = std::filesystem::temp_directory_path() /
                   ("velmora-court-" + std::to_string(::getpid()));
    std::ofstream(f, std::ios::binary) << "abc";
    Fichier fichier(f, Fichier::Mode::Lecture);
    char tampon[8];
    std::memset(tampon, 'z', sizeof tampon);
    try {
        fichier.Lire(tampon, sizeof tampon);
        ADD_FAILURE();
    } catch (const ErreurFichier &e) {
        EXPECT_EQ(e.Code(), ErreurFichier::FinDeFichier);
        EXPECT_STREQ(e.what(), "Lecture au-delà de la fin de fichier");
    }
    EXPECT_EQ(std::string(tampon, 8), "abczzzzz");
    std::filesystem::remove(f);
}

TEST(Windows1252, AllerRetour) {
    std::string tous;
    for (int o = 1; o < 256; ++o) tous += char(o);
    EXPECT_EQ(w1252::DepuisUtf8(w1252::VersUtf8(tous)), tous);
    EXPECT_EQ(w1252::VersUtf8("\x80\x9C\xE9\xFF"), "€œéÿ");
    EXPECT_EQ(w1252::VersUtf8("\x81"), "\xC2\x81");
    // Characters the code page cannot hold, and broken UTF-8.
    EXPECT_EQ(w1252::DepuisUtf8("Ωé\xC3"), "?\xE9?");
}
