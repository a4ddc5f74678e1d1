// Writes the seed corpus of every fuzz target into the folder given, one
// sub-folder per target: valid files of each size class the tests use, small
// photographs in each format the host reads carrying EXIF, XMP, IPTC and an ICC
// profile, and call sequences that open each dialog and use its controls.
// Made by the build, so that no binary file is kept in the sources.
#include "dialogs/AjustImg/AjustImgDialogue.h"
#include "dialogs/AjustLum/AjustLum.h"
#include "dialogs/AjustLum/AjustLumDialogue.h"
#include "dialogs/BalanceCoul/BalanceCoulDialogue.h"
#include "dialogs/GrainOuBr/GrainOuBrDialogue.h"
#include "dialogs/MonoChrome/MonoChromeDialogue.h"
#include "dialogs/ProfilGamma/ProfilGamma.h"
#include "dialogs/ProfilGamma/ProfilGammaDialogue.h"
#include "VersionExiv2.h"

#include <velmora/windows1252.h>

#include <QColorSpace>
#include <QFile>
#include <QImage>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace velmora;
namespace fs = std::filesystem;

namespace {

fs::path racine;
int ecrits = 0;

void Ecrire(const char *cible, const std::string &nom, const std::string &octets) {
    const fs::path dossier = racine / cible;
    fs::create_directories(dossier);
    std::ofstream(dossier / nom, std::ios::binary) << octets;
    ++ecrits;
}

std::string Blocs(const std::vector<TProfil> &courbes) {
    std::string s;
    for (const TProfil &p : courbes) {
        const BlocProfil b = EncoderBloc(p);
        s.append(reinterpret_cast<const char *>(b.data()), b.size());
    }
    return s;
}

// An edit as the curve targets read it after the blocks.
std::string Edition(uint8_t courbe, int16_t x, int16_t y) {
    return {char(courbe), char(x & 0xFF), char(uint16_t(x) >> 8), char(y & 0xFF), char(uint16_t(y) >> 8)};
}

void Profils() {
    TProfil id = TProfil::Identite(), edite = id, loin = id;
    ModifProfil(edite, 100, 40, Noyau::Gamma);
    ModifProfil(edite, 200, 220, Noyau::Gamma);
    for (int32_t i = TProfil::Debut; i <= TProfil::Fin; ++i) loin[i] = (i & 1) ? INT32_MAX : INT32_MIN;
    const std::string quatre = Blocs({edite, id, loin, edite});
    // Every size class: empty, cut inside a block, whole blocks, a block and a bit.
    for (std::size_t n : {0, 1, 4, 1047, 1048, 1049, 2095, 2096, 3143, 3144, 4191, 4192})
        Ecrire("pfl", "taille-" + std::to_string(n), quatre.substr(0, n));
    Ecrire("pfl", "identite", Blocs({id, id, id, id}));
    Ecrire("pfl", "hors-du-graphe", quatre + Edition(2, 300, 300));
    Ecrire("pfl", "negatif", quatre + Edition(1, -40, 900));
    const std::string un = Blocs({edite});
    for (std::size_t n : {0, 3, 1047, 1048})
        Ecrire("plu", "taille-" + std::to_string(n), un.substr(0, n));
    Ecrire("plu", "loin", Blocs({loin}));
    Ecrire("plu", "hors-du-graphe", un + Edition(0, 300, 300));
    Ecrire("plu", "un-pfl", quatre);
}

void Teintes() {
    int i = 0;
    for (const char *t : monochrome::ListeTeintes) Ecrire("uni", "liste-" + std::to_string(i++), w1252::DepuisUtf8(t));
    const char *autres[] = {"", "$", "Teinte : $FFFFFF", "T : $12345678", "T : $-1", "-$FF", "+42",
                            "  $00ff00", "Gris : $80\r\n$FFFFFF", "Bleu : $0000FF\nsuite",
                            "\x80\x81\x8D\x8F\x90\x9D\xFF : $ABCDEF", "\xC3\xA9t\xC3\xA9 : $C0FFEE",
                            "sans dollar", "Nom tr\xE8s long : $1", "$G00000"};
    for (const char *t : autres) Ecrire("uni", "autre-" + std::to_string(i++), t);
}

// --- Photographs -----------------------------------------------------------

QImage Motif(int l, int h, QImage::Format f) {
    QImage q(l, h, QImage::Format_RGBA8888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < l; ++x) q.setPixel(x, y, qRgba(x * 16, y * 20, (x ^ y) * 8, 128 + x * 8));
    return q.convertToFormat(f);
}

void Etiqueter(const std::string &chemin, int orientation) {
    auto image = Exiv2::ImageFactory::open(chemin);
    image->readMetadata();
    Exiv2::ExifData exif = image->exifData();
    exif["Exif.Image.Make"] = "Velmora";
    exif["Exif.Image.Orientation"] = uint16_t(orientation);
    exif["Exif.Photo.PixelXDimension"] = uint32_t(12);
    exif["Exif.Photo.PixelYDimension"] = uint32_t(8);
    exif["Exif.Photo.UserComment"] = "charset=Ascii essai";
    Exiv2::XmpData xmp;
    xmp["Xmp.dc.title"] = "Essai";
    xmp["Xmp.tiff.Orientation"] = std::to_string(orientation);
    Exiv2::IptcData iptc;
    iptc["Iptc.Application2.Caption"] = "Legende";
    image->setExifData(exif);
    image->setXmpData(xmp);
    if (image->checkMode(Exiv2::mdIptc) & Exiv2::amWrite) image->setIptcData(iptc);
    if (image->checkMode(Exiv2::mdComment) & Exiv2::amWrite) image->setComment("commentaire");
    image->writeMetadata();
}

void Photos() {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Exiv2::XmpParser::initialize();
    struct Cas {
        const char *nom, *format;
        QImage::Format pixels;
        int orientation;
        bool etiquettes;
    };
    const Cas cas[] = {
        {"jpeg-tourne.jpg", "jpeg", QImage::Format_RGB32, 6, true},
        {"jpeg-nu.jpg", "jpeg", QImage::Format_RGB32, 1, false},
        {"jpeg-gris.jpg", "jpeg", QImage::Format_Grayscale8, 3, true},
        {"png-alpha.png", "png", QImage::Format_RGBA8888, 8, true},
        {"png-16.png", "png", QImage::Format_RGBA64, 2, true},
        {"png-gris.png", "png", QImage::Format_Grayscale8, 1, false},
        {"tiff.tif", "tiff", QImage::Format_RGB32, 5, true},
        {"tiff-alpha.tif", "tiff", QImage::Format_ARGB32, 7, true},
        {"webp.webp", "webp", QImage::Format_RGB32, 4, true},
        {"webp-alpha.webp", "webp", QImage::Format_ARGB32, 1, true},
        {"bmp.bmp", "bmp", QImage::Format_RGB32, 1, false},
        {"gif.gif", "gif", QImage::Format_Indexed8, 1, false},
        {"ppm.ppm", "ppm", QImage::Format_RGB32, 1, false},
    };
    const fs::path dossier = racine / "image";
    fs::create_directories(dossier);
    for (const Cas &c : cas) {
        QImage q = Motif(12, 8, c.pixels);
        if (!q.isGrayscale())  // an RGB profile: the ICC block, written by the encoder
            q.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
        q.setText(QStringLiteral("Description"), QStringLiteral("essai"));
        const std::string chemin = (dossier / c.nom).string();
        if (!q.save(QString::fromStdString(chemin), c.format, 90)) {
            std::fprintf(stderr, "%s : non écrit (pas d'encodeur ?)\n", c.nom);
            continue;
        }
        ++ecrits;
        if (c.etiquettes) {
            try {
                Etiqueter(chemin, c.orientation);
            } catch (const velmora::hote::exiv2::Erreur &e) {
                std::fprintf(stderr, "%s : %s\n", c.nom, e.what());
            }
        }
    }
}

// --- Call sequences, in the byte language of the boundary target ------------

struct Suite {
    std::string s;
    void O(int v) { s += char(uint8_t(v)); }
    void Mot(uint32_t v) { for (int k = 0; k < 4; ++k) O(int(v >> (8 * k))); }
    void Court(int16_t v) { O(v & 0xFF), O(uint16_t(v) >> 8); }
    // Three arrays: 4 x 3, 3 x 2 and 2 x 2 never freed.
    void Tableaux() {
        const int tailles[3][3] = {{4, 3, 0}, {3, 2, 0}, {2, 2, 1}};
        for (const auto &t : tailles) {
            O(t[0]), O(t[1]), O(t[2]);
            for (int i = 0; i < 3 * t[0] * t[1]; ++i) O(i * 37 + 11);
        }
    }
    void Appel(int operation, int mode, int tableau, int tableau2) {
        O(0), O(operation), O(mode), O(tableau), O(tableau2), O(0), Mot(0);
    }
    void AppelMenteur(int operation, int16_t l, int16_t h) {
        O(0), O(operation), O(0), O(0), O(1), O(0xC0), Court(l), Court(h), Mot(0);
    }
    // An event on a control of the shown dialog (the boxes answer nothing).
    void Evenement(const TForme &f, const char *nom, TTypeEvenement t, int16_t x = 0, int16_t y = 0,
                   int valeur = 1, bool avecForme = false) {
        std::size_t i = 0;
        while (i < f.Controles.size() && std::string(f.Controles[i].Nom) != nom) ++i;
        if (i == f.Controles.size()) return;
        O(2);
        if (avecForme) O(0);
        O(int(i));
        switch (f.Controles[i].Genre) {
        case TGenre::Curseur: Court(int16_t(valeur)); break;
        case TGenre::Liste: case TGenre::GroupeRadio: case TGenre::Radio: case TGenre::Case: O(valeur); break;
        default: break;
        }
        O(0);  // no box answered
        O(int(t)), O(BGauche), O(BGauche), O(0), Court(x), Court(y);
    }
    void Fermer() { O(7); }
};

void Sequences() {
    using T = TTypeEvenement;
    int n = 0;
    auto ecrire = [&](const Suite &s) { Ecrire("xchg", "suite-" + std::to_string(n++), s.s); };
    for (int op : {1, 5, 6, 0, 10}) {
        Suite s;
        s.Tableaux();
        s.Appel(op, 0, 0, 1);
        s.AppelMenteur(op, 100, 100);
        ecrire(s);
    }
    // Each dialog: every control used once, then the window closed.
    const std::pair<int, const TForme *> dialogues[] = {
        {2, &FormeAjustCoul}, {3, &FormeProfGamma}, {4, &FormeAjustLumManu},
        {8, &FormeAjoutGrain}, {9, &FormeMonoCouleur}};
    for (const auto &[op, forme] : dialogues) {
        Suite s;
        s.Tableaux();
        s.Appel(op, 0, 0, 1);
        for (const TControle &c : forme->Controles) {
            if (c.Role != TRole::Simple) continue;
            s.Evenement(*forme, c.Nom, c.Genre == TGenre::Image ? T::SourisEnfoncee : T::Change, 60, 40, 2);
            s.Evenement(*forme, c.Nom, c.Genre == TGenre::Image ? T::SourisDeplacee : T::Clic, 300, 300, 1);
        }
        s.Fermer();
        s.Appel(op, 0, 2, 1);  // again, on the array never freed
        if (const TControle *ok = forme->AvecRole(TRole::Defaut)) s.Evenement(*forme, ok->Nom, T::Clic);
        ecrire(s);
    }
    // The balance: a zone before it opens, zones while it is open, after it has closed.
    Suite b;
    b.Tableaux();
    b.Appel(7, 1, 1, 0);
    b.Appel(7, 0, 0, 1);
    b.Appel(7, 1, 1, 0);
    b.Evenement(FormeBalCoul, "ZoneRef", T::Change, 0, 0, 2, true);
    b.Appel(7, 1, 1, 0);
    b.Appel(7, 1, 2, 0);
    b.Evenement(FormeBalCoul, "TempCoul", T::Change, 0, 0, 30, true);
    if (const TControle *ok = FormeBalCoul.AvecRole(TRole::Defaut))
        b.Evenement(FormeBalCoul, ok->Nom, T::Clic, 0, 0, 0, true);
    b.Appel(7, 1, 1, 0);
    ecrire(b);
}

} // namespace

// Settings texts: the operation's number as a byte, then its text; every
// operation's defaults, and each field given once.
void Reglages() {
    const char *const textes[] = {
        "\x01",
        "\x02gamma=-50;contraste=100;luminosite=0;saturation=-100",
        "\x03courbes=" ,
        "\x04",
        "\x05",
        "\x06",
        "\x07zone-claire=0,0,3,2;temperature=5000;lumref=maxi;saturation=autorisee",
        "\x07zone-claire=0,0,2,2\nzone-sombre=4,3,3,2\ntemperature-sombre=8500",
        "\x08methode=pseudo-aleatoire;niveau=40;teinte=3;densite=2;ordre1=4;ordre2=0;graine=7",
        "\x08niveau=255;graine=4294967295",
        "\x09filtre=104,4;teinte=sepia",
        "\x09teinte=$A05020",
    };
    int i = 0;
    for (const char *t : textes) Ecrire("reglages", "texte-" + std::to_string(i++), t);
}

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage : %s <dossier>\n", argv[0]);
        return 2;
    }
    racine = argv[1];
    Profils();
    Teintes();
    Photos();
    Sequences();
    Reglages();
    std::printf("%d graines dans %s\n", ecrits, argv[1]);
    return 0;
}
