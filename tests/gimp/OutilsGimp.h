// The real GIMP driven from a test: a throw-away profile with the bridge
// installed into it, Script-Fu run in batch or through Script-Fu's server,
// pictures compared byte by byte. The same tests serve GIMP 2.10 and GIMP 3
// (built with VELMORA_GIMP=3): what their Script-Fu and command lines say
// differently is in the namespace Gimp below.
#pragma once
#include <cstring>
#include <map>

#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace essai {

inline QString Env(const char *nom) {
    return QString::fromLocal8Bit(std::getenv(nom));
}

// Runs a program to its end; its standard output and error together.
inline QString Lancer(const QString &programme, const QStringList &arguments,
                      const QProcessEnvironment &env, int delaiMs, int *code = nullptr) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(programme, arguments);
    if (!p.waitForFinished(delaiMs)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << programme.toStdString() << " did not finish";
    }
    if (code) *code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAll());
}

#ifndef VELMORA_GIMP
#define VELMORA_GIMP 2
#endif

// A Script-Fu string literal.
inline QString Chaine(const QString &s) {
    QString e = s;
    e.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + e + QLatin1Char('"');
}

// What GIMP 2.10 and GIMP 3 name or call differently.
namespace Gimp {
#if VELMORA_GIMP == 3
inline const char *const VariableProfil = "GIMP3_DIRECTORY";
inline const char *const AutreVariableProfil = "GIMP2_DIRECTORY";
inline const char *const Programme = "gimp-3.0";
// Without a display GIMP 3 does not start Script-Fu: its console runs under Xvfb.
inline const char *const ProgrammeConsole = "xvfb-run";
inline const QStringList Console{QStringLiteral("-a"), QStringLiteral("gimp-console-3.0")};
inline const QStringList ArgumentsLot{QStringLiteral("--quit"),
                                      QStringLiteral("--batch-interpreter=plug-in-script-fu-eval")};
// The drawable GIMP selected in `img`.
inline QString Calque(const QString &img) {
    return QStringLiteral("(vector-ref (car (gimp-image-get-selected-drawables %1)) 0)").arg(img);
}
inline QString Charger(const QString &fichier) {
    return QStringLiteral("(car (gimp-file-load RUN-NONINTERACTIVE %1))").arg(Chaine(fichier));
}
// A procedure of the bridge, its arguments named (positional ones are deprecated).
inline QString Appel(const QString &procedure, const char *mode, const QString &img,
                     const QString &calque) {
    return QStringLiteral("(%1 #:run-mode %2 #:image %3 #:drawables (vector %4))")
        .arg(procedure, QLatin1String(mode), img, calque);
}
inline QString NouveauCalque(const QString &img, int l, int h, const char *nom) {
    return QStringLiteral("(car (gimp-layer-new %1 \"%4\" %2 %3 RGBA-IMAGE 100 LAYER-MODE-NORMAL))")
        .arg(img)
        .arg(l)
        .arg(h)
        .arg(QLatin1String(nom));
}
inline const char *const SansParent = "-1";
// The title of the window showing image `nom`. GIMP 3 shows every image in
// its one window, and an image loaded by a script has no name there.
inline QString TitreImage(const QString &) { return QStringLiteral(" – GIMP$"); }
// GIMP with Script-Fu's server on `port`.
inline QStringList ArgumentsServeur(quint16 port) {
    return {QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("-f"), QStringLiteral("-s"),
            QStringLiteral("--batch-interpreter=plug-in-script-fu-eval"), QStringLiteral("-b"),
            QStringLiteral("(plug-in-script-fu-server #:run-mode RUN-NONINTERACTIVE"
                           " #:ip \"127.0.0.1\" #:port %1 #:logfile \"\")")
                .arg(port)};
}
// The lines the tests read on GIMP's output.
inline QString Ecrire(const QString &texte) {
    return QStringLiteral("(begin (display %1) (newline))").arg(texte);
}
// The image `img` as PNG (one layer), colours of transparent pixels kept.
inline QString Exporter(const QString &fichier) {
    return QStringLiteral("(file-png-export #:run-mode RUN-NONINTERACTIVE #:image img #:file %1"
                          " #:compression 0 #:save-transparent TRUE)")
        .arg(Chaine(fichier));
}
#else
inline const char *const VariableProfil = "GIMP2_DIRECTORY";
inline const char *const AutreVariableProfil = "GIMP3_DIRECTORY";
inline const char *const Programme = "gimp-2.10";
inline const char *const ProgrammeConsole = "gimp-console-2.10";
inline const QStringList Console{};
inline const QStringList ArgumentsLot{};
inline QString Calque(const QString &img) {
    return QStringLiteral("(car (gimp-image-get-active-drawable %1))").arg(img);
}
inline QString Charger(const QString &fichier) {
    return QStringLiteral("(car (gimp-file-load RUN-NONINTERACTIVE %1 %1))").arg(Chaine(fichier));
}
inline QString Appel(const QString &procedure, const char *mode, const QString &img,
                     const QString &calque) {
    return QStringLiteral("(%1 %2 %3 %4)").arg(procedure, QLatin1String(mode), img, calque);
}
inline QString NouveauCalque(const QString &img, int l, int h, const char *nom) {
    return QStringLiteral("(car (gimp-layer-new %1 %2 %3 RGBA-IMAGE \"%4\" 100 LAYER-MODE-NORMAL))")
        .arg(img)
        .arg(l)
        .arg(h)
        .arg(QLatin1String(nom));
}
inline const char *const SansParent = "0";
inline QString TitreImage(const QString &nom) { return nom; }
inline QStringList ArgumentsServeur(quint16 port) {
    return {QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("-f"), QStringLiteral("-s"),
            QStringLiteral("-b"),
            QStringLiteral("(plug-in-script-fu-server RUN-NONINTERACTIVE \"127.0.0.1\" %1 \"\")")
                .arg(port)};
}
inline QString Ecrire(const QString &texte) {
    return QStringLiteral("(gimp-message %1)").arg(texte);
}
// The layer `d` of `img`: colours of transparent pixels kept (last argument),
// every byte compared; no compression: quicker, and the files are thrown away.
inline QString Exporter(const QString &fichier) {
    return QStringLiteral("(file-png-save2 RUN-NONINTERACTIVE img d %1 %1 0 0 0 0 0 0 0 0 1)")
        .arg(Chaine(fichier));
}
#endif
} // namespace Gimp

// A GIMP profile of its own, with the bridge installed as a user installs it
// (where both GIMPs' bridges are built, the other one goes beside it, not into
// the user's own profile).
class Profil {
public:
    Profil() {
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert(QLatin1String(Gimp::VariableProfil), dossier_.path());
        env_.insert(QLatin1String(Gimp::AutreVariableProfil),
                    dossier_.filePath(QStringLiteral("autre")));
        int code = -1;
        const QString sortie = Lancer(Env("VELMORA_CMAKE"),
                                      {QStringLiteral("--install"), Env("VELMORA_BUILD"),
                                       QStringLiteral("--component"), QStringLiteral("gimp")},
                                      env_, 60000, &code);
        EXPECT_EQ(code, 0) << sortie.toStdString();
    }
    QString Chemin(const QString &nom) const { return dossier_.filePath(nom); }
    // For GIMP and its plug-ins: this profile, and Qt on the display it is given.
    QProcessEnvironment Environnement() const {
        QProcessEnvironment e = env_;
        e.remove(QStringLiteral("QT_QPA_PLATFORM"));
        return e;
    }

private:
    QTemporaryDir dossier_;
    QProcessEnvironment env_;
};

// Loading into a variable `img` (and its layer `d`) and exporting, as Script-Fu.
inline QString ScriptCharger(const QString &fichier) {
    return QStringLiteral("(define img %1)(define d %2)")
        .arg(Gimp::Charger(fichier), Gimp::Calque(QStringLiteral("img")));
}
inline QString ScriptExporter(const QString &fichier) { return Gimp::Exporter(fichier); }
// Operation `nom` (inversion, monochrome…) on `img` and `d` in `mode`.
// GIMP 2.10's Script-Fu wants every argument: the dialog operations' settings
// at their defaults (an interactive run and Repeat do not read them).
inline QString ScriptAppel(const char *nom, const char *mode) {
    QString appel = Gimp::Appel(QStringLiteral("plug-in-velmora-%1").arg(QLatin1String(nom)), mode,
                                QStringLiteral("img"), QStringLiteral("d"));
#if VELMORA_GIMP != 3
    static const std::map<std::string, const char *> defauts = {
        {"lgcs", "0 50 50 0"},
        {"profils-gamma", "\"\" \"\""},
        {"luminosite", "\"\" \"\""},
        {"equilibrage", "6700 \"moyenne\" \"non-autorisee\" 0 0 0 0 0 0 0 0 0"},
        {"grain", "\"taches\" 0 5 7 2 2 -1"},
        {"monochrome", "104 104 \"$000000\" \"\""},
    };
    if (const auto d = defauts.find(nom); d != defauts.end() && std::strcmp(mode, "RUN-NONINTERACTIVE") != 0) {
        appel.chop(1);
        appel += QLatin1Char(' ') + QLatin1String(d->second) + QLatin1Char(')');
    }
#endif
    return appel;
}

// Pictures as 32-bit ARGB, not premultiplied: every byte as written.
inline QImage Lire(const QString &fichier) {
    QImage i(fichier);
    EXPECT_FALSE(i.isNull()) << fichier.toStdString();
    return i.convertToFormat(QImage::Format_ARGB32);
}

// The reference host's result (velmora-host --apply) for operation n on `image`.
inline QImage Reference(int n, const QImage &image, const QString &dossier,
                        const QStringList &reglages = {}) {
    const QString entree = QDir(dossier).filePath(QStringLiteral("ref-entree.png"));
    const QString sortie = QDir(dossier).filePath(QStringLiteral("ref-sortie.png"));
    QFile::remove(sortie);
    image.convertToFormat(QImage::Format_RGB888).save(entree);
    int code = -1;
    const QString texte =
        Lancer(Env("VELMORA_HOST"),
               QStringList{QStringLiteral("--apply"), QString::number(n)} + reglages +
                   QStringList{entree, sortie},
               QProcessEnvironment::systemEnvironment(), 60000, &code);
    EXPECT_EQ(code, 0) << texte.toStdString();
    return Lire(sortie);
}

// Script-Fu's server in a running GIMP: one request per connection.
inline QTcpSocket *Envoyer(quint16 port, const QString &commande) {
    auto *s = new QTcpSocket;
    s->connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!s->waitForConnected(2000)) return s;
    const QByteArray octets = commande.toUtf8();
    QByteArray requete;
    requete.append('G').append(char(octets.size() >> 8)).append(char(octets.size() & 0xFF));
    s->write(requete + octets);
    s->flush();
    return s;
}
// The answer: true when Script-Fu reports no error; its text in *texte.
inline bool Reponse(QTcpSocket *s, QString *texte, int delaiMs = 60000) {
    QByteArray lu;
    while (s->state() == QAbstractSocket::ConnectedState || s->bytesAvailable()) {
        if (lu.size() >= 4 && lu.size() >= 4 + ((uchar(lu[2]) << 8) | uchar(lu[3]))) break;
        if (!s->bytesAvailable() && !s->waitForReadyRead(delaiMs)) break;
        lu += s->readAll();
    }
    delete s;
    if (lu.size() < 4) {
        if (texte) *texte = QStringLiteral("(pas de réponse)");
        return false;
    }
    if (texte) *texte = QString::fromUtf8(lu.mid(4));
    return lu[1] == 0;
}
inline QString Demander(quint16 port, const QString &commande) {
    QString texte;
    EXPECT_TRUE(Reponse(Envoyer(port, commande), &texte))
        << commande.toStdString() << " -> " << texte.toStdString();
    return texte;
}

// How many pixels of r differ between a and b (b read at r moved by
// decalageB); with alpha or on colour only.
inline int Differences(const QImage &a, const QImage &b, QRect r, QPoint decalageB = {},
                       bool alpha = true) {
    const QRgb masque = alpha ? 0xFFFFFFFFu : 0x00FFFFFFu;
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if ((a.pixel(x, y) ^ b.pixel(x + decalageB.x(), y + decalageB.y())) & masque) ++n;
    return n;
}

} // namespace essai
