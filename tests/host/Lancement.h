// velmora-host run as a separate program, as a user or a script runs it.
#pragma once

#include "OutilsHote.h"

#include <QProcess>
#include <QStringList>

namespace velmora::hote::essai {

struct Resultat {
    int code = -1;
    QString sortie;
    QString erreurs;
};

inline Resultat Lancer(const QStringList &arguments) {
    Appli();
    QProcess p;
    p.start(Programme(), arguments);
    Resultat r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        r.erreurs = QStringLiteral("did not finish");
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.sortie = QString::fromUtf8(p.readAllStandardOutput());
    r.erreurs = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace velmora::hote::essai
