// The recent files: kept in the user's settings, shown in their menu under
// names that tell them apart.
#include "FenetreHote.h"

#include "TexteMenu.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

#include <algorithm>
#include <map>

namespace velmora::hote {
namespace {

// What the recent files menu shows for each path: the file name, and where two
// names are the same, as many of the last folders as tell them apart.
QStringList NomsDistincts(const QStringList &chemins) {
    QStringList noms;
    std::map<QString, int> occurrences;
    for (const QString &c : chemins) ++occurrences[QFileInfo(c).fileName()];
    for (const QString &c : chemins) {
        const QString nom = QFileInfo(c).fileName();
        if (occurrences[nom] < 2) {
            noms << nom;
            continue;
        }
        const QStringList dossiers = QFileInfo(c).absolutePath().split('/', Qt::SkipEmptyParts);
        QString lieu;
        for (qsizetype n = 1; n <= dossiers.size(); ++n) {
            lieu = dossiers.mid(dossiers.size() - n).join('/');
            // Told apart once no other path of the same name ends the same way.
            const bool seul = std::none_of(chemins.begin(), chemins.end(), [&](const QString &autre) {
                return autre != c && QFileInfo(autre).fileName() == nom &&
                       (QFileInfo(autre).absolutePath() + '/').endsWith('/' + lieu + '/');
            });
            if (seul) break;
        }
        noms << QStringLiteral("%1 (%2)").arg(nom, lieu.isEmpty() ? QStringLiteral("/") : lieu);
    }
    return noms;
}

// Recent files live in the user's settings, shared by every window of the host.
QSettings Reglages() { return QSettings(QStringLiteral("velmora"), QStringLiteral("velmora-host")); }
const QString CleRecents = QStringLiteral("fichiersRecents");

} // namespace

QStringList FenetreHote::FichiersRecents() const {
    return Reglages().value(CleRecents).toStringList();
}

void FenetreHote::AjouterRecent(const QString &chemin) {
    const QString absolu = QFileInfo(chemin).absoluteFilePath();
    QStringList liste = FichiersRecents();
    liste.removeAll(absolu);
    liste.prepend(absolu);
    while (liste.size() > MaxRecents) liste.removeLast();
    Reglages().setValue(CleRecents, liste);
    RemplirRecents();
}

void FenetreHote::RemplirRecents() {
    menuRecents_->clear();
    const QStringList liste = FichiersRecents();
    const QStringList noms = NomsDistincts(liste);
    for (int i = 0; i < liste.size(); ++i) {
        const QString chemin = liste[i];
        QAction *a = menuRecents_->addAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(Echapper(noms[i])), this,
            [this, chemin] {
                if (OuvrirDemande(chemin) || QFileInfo::exists(chemin)) return;
                // Gone: no use offering it again.
                QStringList l = FichiersRecents();
                l.removeAll(chemin);
                Reglages().setValue(CleRecents, l);
                RemplirRecents();
            });
        a->setObjectName(QStringLiteral("actionRecent%1").arg(i + 1));
        a->setToolTip(chemin);
        a->setStatusTip(chemin);
    }
    if (!liste.isEmpty()) {
        menuRecents_->addSeparator();
        menuRecents_->addAction(QStringLiteral("&Effacer la liste"), this, [this] {
            Reglages().remove(CleRecents);
            RemplirRecents();
        })->setObjectName(QStringLiteral("actionEffacerRecents"));
    }
    menuRecents_->setEnabled(!liste.isEmpty());
}

} // namespace velmora::hote
