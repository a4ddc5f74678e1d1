// Shared by the host tests: one QApplication, the paths ctest gives, images.
#pragma once

#include <QApplication>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace velmora::hote::essai {

// Created once and kept: the plug-in, once loaded, stays for the process.
inline QApplication &Appli() {
    static int argc = 1;
    static char nom[] = "velmora_host_tests";
    static char *argv[] = {nom, nullptr};
    if (!qApp) new QApplication(argc, argv);
    return *static_cast<QApplication *>(qApp);
}

inline QString Env(const char *nom) { return qEnvironmentVariable(nom); }
inline QString Plugin() { return Env("VELMORA_PLUGIN"); }
inline QString Programme() { return Env("VELMORA_HOST"); }
inline QString Echantillon(const QString &nom) { return Env("VELMORA_SAMPLES") + '/' + nom; }

// Random pixels; an odd width so that QImage rows carry padding.
inline QImage ImageAleatoire(int largeur, int hauteur, uint32_t graine) {
    std::mt19937 gen(graine);
    QImage image(largeur, hauteur, QImage::Format_RGB888);
    for (int y = 0; y < hauteur; ++y) {
        uchar *ligne = image.scanLine(y);
        for (int x = 0; x < 3 * largeur; ++x) ligne[x] = uchar(gen());
    }
    return image;
}

// Whether b is the byte negative of a, channel by channel.
inline ::testing::AssertionResult EstNegatif(const QImage &a, const QImage &b) {
    if (a.size() != b.size()) return ::testing::AssertionFailure() << "sizes differ";
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    for (int j = 0; j < x.height(); ++j)
        for (int i = 0; i < 3 * x.width(); ++i)
            if (y.constScanLine(j)[i] != uchar(255 - x.constScanLine(j)[i]))
                return ::testing::AssertionFailure()
                       << "byte " << i << " of row " << j << ": " << int(x.constScanLine(j)[i])
                       << " -> " << int(y.constScanLine(j)[i]);
    return ::testing::AssertionSuccess();
}

inline bool MemesOctets(const QImage &a, const QImage &b) {
    return a.size() == b.size() && a.convertToFormat(QImage::Format_RGB888) ==
                                       b.convertToFormat(QImage::Format_RGB888);
}

} // namespace velmora::hote::essai
