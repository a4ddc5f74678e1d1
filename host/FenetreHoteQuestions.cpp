// The questions asked before work is lost: unsaved changes before the image
// is replaced or the window closed, and a deeper file about to be overwritten
// in 8 bits.
#include "FenetreHote.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QPushButton>

namespace velmora::hote {

bool FenetreHote::ConfirmerAbandon() {
    FermerOperationOuverte();
    if (image_.Vide() || etat_ == etatEnregistre_) return true;
    QMessageBox question(QMessageBox::Warning, QStringLiteral("Velmora"),
                         QStringLiteral("Enregistrer les modifications de « %1 » ?").arg(NomAffiche()),
                         QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    question.setObjectName(QStringLiteral("questionEnregistrer"));
    question.button(QMessageBox::Save)->setText(QStringLiteral("Enregistrer"));
    question.button(QMessageBox::Discard)->setText(QStringLiteral("Ne pas enregistrer"));
    question.button(QMessageBox::Cancel)->setText(QStringLiteral("Annuler"));
    question.setDefaultButton(QMessageBox::Save);
    question.setEscapeButton(QMessageBox::Cancel);
    switch (question.exec()) {
    case QMessageBox::Save: return Enregistrer(); // goes on only once it is saved
    case QMessageBox::Discard: return true;
    default: return false;
    }
}

FenetreHote::Profondeur FenetreHote::DemanderProfondeur() {
    QMessageBox question(
        QMessageBox::Warning, QStringLiteral("Enregistrer"),
        QStringLiteral("« %1 » a %2 bits par canal : l'enregistrer à sa place la remplace "
                       "par une version en 8 bits.")
            .arg(NomAffiche())
            .arg(origine_.bitsParCanal),
        QMessageBox::Yes | QMessageBox::Save | QMessageBox::Cancel, this);
    question.setObjectName(QStringLiteral("questionProfondeur"));
    question.button(QMessageBox::Yes)->setText(QStringLiteral("Remplacer par une version en 8 bits"));
    question.button(QMessageBox::Save)->setText(QStringLiteral("Enregistrer sous…"));
    question.button(QMessageBox::Cancel)->setText(QStringLiteral("Annuler"));
    question.setDefaultButton(QMessageBox::Save); // the choice that loses nothing
    question.setEscapeButton(QMessageBox::Cancel);
    switch (question.exec()) {
    case QMessageBox::Yes: return Profondeur::Remplacer;
    case QMessageBox::Save: return Profondeur::EnregistrerSous;
    default: return Profondeur::Annuler;
    }
}

void FenetreHote::closeEvent(QCloseEvent *e) {
    if (ConfirmerAbandon())
        e->accept();
    else
        e->ignore();
}

} // namespace velmora::hote
