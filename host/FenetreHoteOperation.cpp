// A plug-in operation on the window's image: started from its menu entry, its
// notices, the reference zones it asks for, and its end (a step of the
// history, or the image put back).
#include "FenetreHote.h"

#include "VueImage.h"

#include <QApplication>
#include <QDialog>

#include <algorithm>
#include <cstring>

namespace velmora::hote {

void FenetreHote::FermerOperationOuverte() {
    if (!operationEnCours_) return;
    // The plug-in's windows are top-level windows that are not ours: close
    // them as their "Annuler" would; their final notice puts the image back.
    auto estANous = [this](QWidget *w) {
        for (; w; w = w->parentWidget())
            if (w == this) return true;
        return false;
    };
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || estANous(w)) continue;
        if (auto *d = qobject_cast<QDialog *>(w))
            d->reject();
        else
            w->close();
    }
    // A plug-in that did not answer: its result is not accepted either.
    if (operationEnCours_) TerminerOperation(false);
}

bool FenetreHote::ExecuterOperation(int n) {
    if (image_.Vide() || operationEnCours_ || n < 1 || n > plugin_.NbOperations()) return false;
    comparaisonTouche_ = false; // the operation's own results are what to see now
    Comparer(false);
    avant_ = Etape{Instantane(image_), plugin_.Menu().at(n - 1), etat_};
    operationEnCours_ = n;
    MettreAJour();
    if (!plugin_.Executer(uint32_t(n), image_.pixels.data(), image_.largeur, image_.hauteur)) {
        TerminerOperation(false);
        return false;
    }
    // Still open: either the final notice came, or a plug-in window stays and
    // will send it; without any notice the operation did nothing.
    if (operationEnCours_ == n && !plugin_.FinAttendue()) TerminerOperation(false);
    return true;
}

void FenetreHote::RecevoirAvis(const Avis &avis) {
    // The plug-in has written into our block: show it as it is now.
    Rafraichir();
    if (avis.demandeZone) CommencerSelectionZone();
    if (avis.fin) TerminerOperation(avis.imageModifiee);
}

void FenetreHote::TerminerOperation(bool resultat) {
    if (!avant_) return;
    // A result that leaves every byte as it was ("Appliquer" with nothing
    // moved, levels already full) is no change: no step, nothing to save.
    if (resultat && avant_->pixels.size() == std::size_t(image_.pixels.size()) &&
        std::memcmp(avant_->pixels.data(), image_.pixels.data(),
                    avant_->pixels.size() * sizeof(TPtImg)) == 0)
        resultat = false;
    if (resultat) {
        if (original_.isNull())
            original_ = VersQImage(avant_->pixels.data(), image_.largeur, image_.hauteur, image_.alpha);
        annuler_.push_back(std::move(*avant_));
        refaire_.clear();
        etat_ = ++compteurEtats_;
        LimiterHistorique();
    } else {
        // No result stands: dialogs that wrote as they went leave their last
        // attempt in the block, so put the image back as it was.
        Restaurer(image_, avant_->pixels);
        Rafraichir();
    }
    avant_.reset();
    operationEnCours_ = 0;
    vue_->DefinirSelectionZone(false);
    AfficherIndication({});
    MettreAJour();
}

void FenetreHote::CommencerSelectionZone() {
    AfficherIndication(QStringLiteral("Choisissez une zone de référence dans l'image"));
    vue_->DefinirSelectionZone(true);
}

void FenetreHote::EnvoyerZone(QRect pixels, Qt::KeyboardModifiers touches) {
    const QRect zone = pixels & QRect(0, 0, image_.largeur, image_.hauteur);
    if (!operationEnCours_ || image_.Vide() || zone.isEmpty()) return;
    // The zone's pixels as a counted array of their own, row by row, taken from
    // the image as the operation found it: the plug-in corrects from its copy of
    // that image, so a second pick must not measure the first correction.
    const TPtImg *source = avant_ && avant_->pixels.size() == std::size_t(image_.pixels.size())
                               ? avant_->pixels.data()
                               : image_.pixels.data();
    TPtsImg pixelsZone = TPtsImg::Creer(zone.width() * zone.height());
    for (int y = 0; y < zone.height(); ++y)
        std::copy_n(source + std::size_t(zone.top() + y) * image_.largeur + zone.left(),
                    zone.width(), pixelsZone.data() + std::size_t(y) * zone.width());
    // With Ctrl (the dark zone, as the plug-in asks for it) the zone goes the
    // same way: the plug-in knows which of its zones it is waiting for.
    (void)touches;
    plugin_.EnvoyerZone(uint32_t(operationEnCours_), pixelsZone.data(), zone.width(),
                        zone.height(), image_.pixels.data(), &zone);
}

} // namespace velmora::hote
