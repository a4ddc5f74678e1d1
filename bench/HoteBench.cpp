// velmora-host on a 50 MP camera JPEG (8688 x 5792, EXIF, XMP, ICC profile):
// where the time of `--apply 1` goes. Each stage is measured against a memcpy
// of the image's 151 MB of pixels in the same run:
//   Decodage      Qt's JPEG decoder alone (part of Charger)
//   Charger       decode, conversion to 8-bit RGB, split into the counted block
//   Operation     the inversion alone, on the block
//   Encodage      Qt's JPEG encoder alone, quality 95, into memory (part of Enregistrer)
//   Enregistrer   encode (quality 95), metadata and profile copied, file replaced
//   Apply         the whole command as a process (plug-in load, all of the above)
// and the batch command on 8 files of 24 MP, one at a time and on every core.
#include "Banc.h"
#include "ImageHote.h"
#include "dialogs/ProfilGamma/ProfilGamma.h"
#include "operations/InvCoul.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <QImageWriter>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <chrono>
#include <functional>

using namespace velmora;
using namespace velmora::hote;

namespace {

constexpr int32_t Largeur = 8688, Hauteur = 5792;

// Qt's image plug-ins need an application object.
void Appli() {
    static int argc = 1;
    static char nom[] = "velmora_bench";
    static char *argv[] = {nom, nullptr};
    if (!qApp) new QGuiApplication(argc, argv);
}

struct Fixture {
    QTemporaryDir dossier;
    QString photo;
    std::vector<TPtImg> copie; // the reference buffer: as many pixels as the photo

    Fixture() {
        Appli();
        photo = dossier.filePath("photo50mp.jpg");
        copie = banc::PhotoReelle(Largeur, Hauteur);
        QImage image(reinterpret_cast<const uchar *>(copie.data()), Largeur, Hauteur,
                     Largeur * 3, QImage::Format_BGR888);
        image.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
        image.save(photo, "jpeg", 92);
        auto e = Exiv2::ImageFactory::open(QFile::encodeName(photo).toStdString());
        e->readMetadata();
        Exiv2::ExifData exif;
        exif["Exif.Image.Make"] = "Fabricant";
        exif["Exif.Image.Model"] = "Boitier 50";
        exif["Exif.Image.Orientation"] = uint16_t(1);
        exif["Exif.Photo.DateTimeOriginal"] = "2024:05:17 10:42:00";
        exif["Exif.Photo.PixelXDimension"] = uint32_t(Largeur);
        exif["Exif.Photo.PixelYDimension"] = uint32_t(Hauteur);
        Exiv2::XmpData xmp;
        xmp["Xmp.dc.creator"] = "Auteur";
        e->setExifData(exif);
        e->setXmpData(xmp);
        e->writeMetadata();
    }
};

Fixture &F() {
    static Fixture f;
    return f;
}

void Compter(benchmark::State &etat) {
    etat.SetBytesProcessed(int64_t(etat.iterations()) * int64_t(Largeur) * Hauteur * 3);
}

void BM_Hote50MP_Charger(benchmark::State &etat) {
    Fixture &f = F();
    std::vector<TPtImg> dst(f.copie.size());
    banc::MesurerContreCopie(etat, dst.data(), f.copie.data(), f.copie.size(), [&] {
        QString erreur;
        auto c = Charger(f.photo, &erreur);
        if (!c) etat.SkipWithError(erreur.toUtf8().constData());
        benchmark::DoNotOptimize(c);
    });
    Compter(etat);
}

void BM_Hote50MP_Decodage(benchmark::State &etat) {
    Fixture &f = F();
    std::vector<TPtImg> dst(f.copie.size());
    QImageReader::setAllocationLimit(0);
    banc::MesurerContreCopie(etat, dst.data(), f.copie.data(), f.copie.size(), [&] {
        QImageReader l(f.photo);
        QImage i = l.read();
        if (i.isNull()) etat.SkipWithError("decoding failed");
        benchmark::DoNotOptimize(i);
    });
    Compter(etat);
}

void BM_Hote50MP_Encodage(benchmark::State &etat) {
    Fixture &f = F();
    const QImage image(reinterpret_cast<const uchar *>(f.copie.data()), Largeur, Hauteur,
                       Largeur * 3, QImage::Format_BGR888);
    std::vector<TPtImg> dst(f.copie.size());
    banc::MesurerContreCopie(etat, dst.data(), f.copie.data(), f.copie.size(), [&] {
        QByteArray octets;
        QBuffer tampon(&octets);
        tampon.open(QIODevice::WriteOnly);
        QImageWriter w(&tampon, "jpeg");
        w.setQuality(95);
        if (!w.write(image)) etat.SkipWithError("encoding failed");
    });
    Compter(etat);
}

void BM_Hote50MP_Operation(benchmark::State &etat) {
    Fixture &f = F();
    TPtsImg img = TPtsImg::Creer(int32_t(f.copie.size()));
    banc::MesurerContreCopie(etat, img.data(), f.copie.data(), f.copie.size(),
                             [&] { InverserCouleurs(img.data()); });
    Compter(etat);
}

void BM_Hote50MP_Enregistrer(benchmark::State &etat) {
    Fixture &f = F();
    QString erreur;
    auto c = Charger(f.photo, &erreur);
    if (!c) {
        etat.SkipWithError(erreur.toUtf8().constData());
        return;
    }
    const QString sortie = f.dossier.filePath("sortie.jpg");
    std::vector<TPtImg> dst(f.copie.size());
    banc::MesurerContreCopie(etat, dst.data(), f.copie.data(), f.copie.size(), [&] {
        if (!Enregistrer(c->image, c->origine, sortie, &erreur))
            etat.SkipWithError(erreur.toUtf8().constData());
    });
    Compter(etat);
}

void BM_Hote50MP_Apply(benchmark::State &etat) {
    Fixture &f = F();
    const QString sortie = f.dossier.filePath("apply.jpg");
    std::vector<TPtImg> dst(f.copie.size());
    banc::MesurerContreCopie(etat, dst.data(), f.copie.data(), f.copie.size(), [&] {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QStringLiteral(VELMORA_HOTE), {"--apply", "1", f.photo, sortie});
        if (!p.waitForFinished(600000) || p.exitCode() != 0) etat.SkipWithError("--apply failed");
    });
    Compter(etat);
}

// The batch on 8 JPEGs of 24 MP (6000 x 4000): one file at a time (-j 1) and
// with the default (one task per core), back to back in each iteration;
// x_un_a_un is the median of the per-iteration ratios default / one at a time.
struct Lot {
    QTemporaryDir dossier;
    QStringList fichiers;
    Lot() {
        Appli();
        const std::vector<TPtImg> photo = banc::PhotoReelle(6000, 4000);
        const QImage image(reinterpret_cast<const uchar *>(photo.data()), 6000, 4000, 6000 * 3,
                           QImage::Format_BGR888);
        for (int k = 0; k < 8; ++k) {
            fichiers << dossier.filePath(QStringLiteral("photo%1.jpg").arg(k));
            image.save(fichiers.back(), "jpeg", 92);
        }
    }
};

// Two ways through the same files, back to back in each iteration: the
// second is the iteration's time; x_un_a_un is the median of the ratios.
void Comparer(benchmark::State &etat, const std::function<void()> &unAUn,
              const std::function<void()> &lot) {
    using Horloge = std::chrono::steady_clock;
    double totalUn = 0, totalLot = 0;
    std::vector<double> rapports;
    for (auto _ : etat) {
        const auto t0 = Horloge::now();
        unAUn();
        const auto t1 = Horloge::now();
        lot();
        const auto t2 = Horloge::now();
        const double un = std::chrono::duration<double>(t1 - t0).count(),
                     tous = std::chrono::duration<double>(t2 - t1).count();
        totalUn += un;
        totalLot += tous;
        rapports.push_back(tous / un);
        etat.SetIterationTime(tous);
    }
    std::sort(rapports.begin(), rapports.end());
    etat.counters["un_a_un_ms"] = 1000 * totalUn / double(etat.iterations());
    etat.counters["lot_ms"] = 1000 * totalLot / double(etat.iterations());
    etat.counters["x_un_a_un"] = rapports[rapports.size() / 2];
}

void BM_Lot8x24MP(benchmark::State &etat) {
    static Lot lot;
    auto lancer = [&](const QStringList &options, const QString &sortie) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(QStringLiteral(VELMORA_HOTE),
                options + QStringList{"--apply", "1", "-o", lot.dossier.filePath(sortie)} + lot.fichiers);
        if (!p.waitForFinished(600000) || p.exitCode() != 0) etat.SkipWithError("--apply -o failed");
    };
    Comparer(etat, [&] { lancer({"-j", "1"}, QStringLiteral("un")); },
             [&] { lancer({}, QStringLiteral("lot")); });
}

// Operations with settings on the same 8 files: one batch (every core)
// against one --apply process a file, back to back in each iteration;
// x_un_a_un is the median of the per-iteration ratios batch / one at a time.
// 0: L/G/C/S sliders; 1: a .pfl profile.
void BM_LotReglages8x24MP(benchmark::State &etat) {
    static Lot lot;
    static const QString pfl = [] {
        velmora::profilgamma::Profils p;
        for (int32_t i = velmora::TProfil::Debut; i <= velmora::TProfil::Fin; ++i) {
            p.ProfToutes[i] = 255 - std::clamp(i + (i * (255 - i)) / 300, 0, 255);  // brighter
            p.ProfBleu[i] = 255 - std::clamp(i - 8, 0, 255);                     // warmer
        }
        const QString chemin = lot.dossier.filePath(QStringLiteral("doux.pfl"));
        velmora::profilgamma::EnregistrerPfl(chemin.toStdString(), p);
        return chemin;
    }();
    const QStringList reglages = etat.range(0) == 0
        ? QStringList{"--apply", "2", "-r", "gamma=12;contraste=60;luminosite=55;saturation=25"}
        : QStringList{"--apply", "3", "-r", "profil=" + pfl};
    auto lancer = [&](const QStringList &arguments) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(QStringLiteral(VELMORA_HOTE), arguments);
        if (!p.waitForFinished(600000) || p.exitCode() != 0) etat.SkipWithError("--apply failed");
    };
    Comparer(
        etat,
        [&] {
            for (const QString &f : lot.fichiers)
                lancer(reglages +
                       QStringList{f, lot.dossier.filePath("un-" + QFileInfo(f).fileName())});
        },
        [&] {
            lancer(reglages + QStringList{"-o", lot.dossier.filePath("lot-reglages")} +
                   lot.fichiers);
        });
}

} // namespace

BENCHMARK(BM_LotReglages8x24MP)->ArgName("lgcs0_pfl1")->DenseRange(0, 1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Lot8x24MP)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Hote50MP_Decodage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Hote50MP_Charger)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Hote50MP_Operation)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Hote50MP_Encodage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Hote50MP_Enregistrer)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Hote50MP_Apply)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
