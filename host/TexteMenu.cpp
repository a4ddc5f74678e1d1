#include "TexteMenu.h"

#include <QKeySequence>

namespace velmora::hote {

QString Echapper(QString texte) { return texte.replace('&', QStringLiteral("&&")); }

QString AvecMnemonique(const QString &titre, const QList<QAction *> &autres) {
    QList<QKeySequence> prises;
    for (const QAction *a : autres) prises << QKeySequence::mnemonic(a->text());
    for (qsizetype i = 0; i < titre.size(); ++i) {
        if (titre[i].unicode() >= 128 || !titre[i].isLetterOrNumber()) continue;
        const QString essai = Echapper(titre.left(i)) + '&' + Echapper(titre.mid(i));
        if (!prises.contains(QKeySequence::mnemonic(essai))) return essai;
    }
    return Echapper(titre);
}

} // namespace velmora::hote
