// The real GIMP 2.10 driven from a test: a throw-away profile with the bridge
// installed into it, Script-Fu run in batch or through Script-Fu's server,
// pictures compared byte by byte.
#pragma once

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

// A GIMP profile of its own, with the bridge installed as a user installs it.
class Profil {
public:
    Profil() {
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert(QStringLiteral("GIMP2_DIRECTORY"), dossier_.path());
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

// A Script-Fu string literal.
inline QString Chaine(const QString &s) {
    QString e = s;
    e.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + e + QLatin1Char('"');
}

// Loading into a variable `img` (and its layer `d`) and exporting, as Script-Fu.
inline QString ScriptCharger(const QString &fichier) {
    return QStringLiteral("(define img (car (gimp-file-load RUN-NONINTERACTIVE %1 %1)))"
                          "(define d (car (gimp-image-get-active-drawable img)))")
        .arg(Chaine(fichier));
}
inline QString ScriptExporter(const QString &fichier) {
    // Colours of transparent pixels kept (last argument): every byte compared.
    // No compression: quicker, and the files are thrown away.
    return QStringLiteral("(file-png-save2 RUN-NONINTERACTIVE img d %1 %1 0 0 0 0 0 0 0 0 1)")
        .arg(Chaine(fichier));
}

// Pictures as 32-bit ARGB, not premultiplied: every byte as written.
inline QImage Lire(const QString &fichier) {
    QImage i(fichier);
    EXPECT_FALSE(i.isNull()) << fichier.toStdString();
    return i.convertToFormat(QImage::Format_ARGB32);
}

// The reference host's result (velmora-host --apply) for operation n on `image`.
inline QImage Reference(int n, const QImage &image, const QString &dossier) {
    const QString entree = QDir(dossier).filePath(QStringLiteral("ref-entree.png"));
    const QString sortie = QDir(dossier).filePath(QStringLiteral("ref-sortie.png"));
    QFile::remove(sortie);
    image.convertToFormat(QImage::Format_RGB888).save(entree);
    int code = -1;
    const QString texte =
        Lancer(Env("VELMORA_HOST"), {QStringLiteral("--apply"), QString::number(n), entree, sortie},
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
