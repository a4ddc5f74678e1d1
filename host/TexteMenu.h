// Texts the host window shows in its menus: a '&' kept as a character, and the
// mnemonic letter of a title given by the plug-in.
#pragma once

#include <QAction>
#include <QList>
#include <QString>

namespace velmora::hote {

// A menu text shown as it is: each '&' doubled, none taken for a mnemonic.
QString Echapper(QString texte);

// A menu title given by the plug-in, with '&' before its first plain letter
// that no other title of the bar uses, so that Alt and that letter open it.
// Accented letters are passed over: not every keyboard has them as keys.
QString AvecMnemonique(const QString &titre, const QList<QAction *> &autres);

} // namespace velmora::hote
