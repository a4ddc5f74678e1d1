#include "FenetreZones.h"

#include "VueImage.h"

#include <QLabel>
#include <QVBoxLayout>

namespace velmora::gimp {

FenetreZones::FenetreZones(const QString &titre, QWidget *parent)
    : QWidget(parent, Qt::Window), vue_(new hote::VueImage(this)) {
    setObjectName(QStringLiteral("FenetreZones"));
    setWindowTitle(titre);
    auto *consigne =
        new QLabel(QStringLiteral("Choisissez une zone de référence dans l'image"), this);
    consigne->setObjectName(QStringLiteral("Consigne"));
    vue_->setObjectName(QStringLiteral("Vue"));
    vue_->DefinirSelectionZone(true);
    auto *disposition = new QVBoxLayout(this);
    disposition->addWidget(consigne);
    disposition->addWidget(vue_, 1);
    connect(vue_, &hote::VueImage::ZoneChoisie, this, &FenetreZones::ZoneChoisie);
    resize(640, 520);
}

void FenetreZones::DefinirImage(const QImage &image) {
    vue_->DefinirImage(image);
}

} // namespace velmora::gimp
