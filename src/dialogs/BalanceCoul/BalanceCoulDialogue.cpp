#include "BalanceCoulDialogue.h"

#include "imaging/Curseur.h"
#include <velmora/memoire.h>
#include "imaging/dialogue/Hote.h"

#include <algorithm>
#include <optional>
#include <string>

namespace velmora {

using namespace balancecoul;

namespace {
const char *const MessageZoneSombre =
    "S\xC3\xA9lectionnez la zone sombre : m\xC3\xAAme m\xC3\xA9thode + touche \"CTRL\"";
} // namespace

TBalCoul::TBalCoul() : TDialogue(FormeBalCoul) {
    using T = TTypeEvenement;
    Lier("TempCoul", T::Change, [this](const TEvenement &) { TempCoulChange(); });
    Lier("ZoneRef", T::Change, [this](const TEvenement &) { ZoneRefClick(); });
}

void TBalCoul::FormCreate() {
    bande_ = BandeCouleurs();
    F().MontrerImage("Couleurs", bande_);
}

void TBalCoul::Preparer(TPtImg *pixels) {
    try {
        Etat.PrendreImage(pixels);
        // The only notice with a zone request: the host lets the user pick zones.
        Notifier(Etat.Largeur, Etat.Hauteur, true, false);
    } catch (...) {
        return;  // set-up errors are absorbed
    }
    Montrer();  // modeless: XchgData returns while the dialog stays open
}

void TBalCoul::FormShow() {
    // The form's own items, or the options of the settings the opening was
    // given (the zones are picked anew).
    const auto depart = PrendreDepart();
    F().DefinirIndex("LumRef", depart ? int32_t(depart->Entier("lumref")) : 0);
    F().DefinirIndex("SatCoul", depart ? int32_t(depart->Entier("saturation")) : 0);
    F().DefinirIndex("ZoneRef", depart && !(*depart)["zone-sombre"].Vide ? 1 : 0);
    ZoneRefClick();
    F().DefinirPosition("TempCoul",
                        depart ? PositionTemperature(depart->Entier("temperature"), "temperature")
                               : PositionDefaut);
    TempCoulChange();
    etatZone_ = 1;
    F().Activer("ZoneRef", true);
    claireRecue_.reset();
    courant_.reset();
}

void TBalCoul::TempCoulChange() {
    // The hue of the next zone received; the image waits for that zone.
    const int32_t p = F().Position("TempCoul");
    teinte_ = TeinteDe(p);
    position_ = std::clamp(p, 0, NbTempCoul - 1);
    F().DefinirTexte("TeinteEquil", TexteTeinteEquil(p));
}

void TBalCoul::ZoneRefClick() {
    // The two-zone method uses neither option.
    const bool deux = F().Index("ZoneRef") == 1;
    F().Activer("LumRef", !deux);
    F().Activer("SatCoul", !deux);
}

int32_t TBalCoul::Choix(const char *groupe) const {
    if (AForme()) return F().Index(groupe);
    return Table().Controle(groupe)->Index;
}

std::size_t TBalCoul::NbPixels() const {
    // A host array shorter than the copy (a fault of the host) is not written past its end.
    return std::size_t(std::max(0, std::min(Etat.Copie.size(), Etat.ImgHote.size())));
}

void TBalCoul::RecoitZone(TPtImg *zone, TPtImg *image) {
    std::optional<CurseurAttente> sablier(std::in_place);
    Etat.ImgHote = TPtsImg::Referencer(image);
    const std::size_t n = std::size_t(std::max(0, tableau::Compte(zone)));
    // An empty zone, a black one or a dark zone equal to the light one in a channel
    // would divide by zero: it is ignored, leaving the image, EtatZone and the
    // dialog as they were.
    if (Choix("ZoneRef") == 0) {
        const auto k = FacteursZone(zone, n, Choix("LumRef") == 1 ? LumRef::Maxi : LumRef::Moyenne,
                                    Choix("SatCoul") == 1, teinte_);
        if (!k) return;
        balancecoul::AppliqueZone(Etat.Copie.data(), Etat.ImgHote.data(), NbPixels(), *k);
        courant_.reset();
        if (rectangleRecu_)
            courant_ = Enregistrer({*rectangleRecu_, position_}, std::nullopt,
                                   Choix("LumRef") == 1 ? LumRef::Maxi : LumRef::Moyenne,
                                   Choix("SatCoul") == 1);
        NotifieHote(sablier);
        return;
    }
    const auto moyenne = MoyenneZone(zone, n, teinte_);
    if (!moyenne) return;
    if (etatZone_ == 1) {
        // The light zone: kept until the dark one arrives; the method cannot change
        // in between.
        if (AForme()) F().Activer("ZoneRef", false);
        zoneClaire_ = *moyenne;
        claireRecue_.reset();
        if (rectangleRecu_) claireRecue_ = balancecoul::Zone{*rectangleRecu_, position_};
        sablier.reset();
        if (Ouvert()) F().MessageInformation(MessageZoneSombre);
        etatZone_ = 2;
        return;
    }
    if (!balancecoul::AppliqueDeuxZones(Etat.Copie.data(), Etat.ImgHote.data(), NbPixels(),
                                        zoneClaire_, *moyenne))
        return;
    zoneSombre_ = *moyenne;
    courant_.reset();
    if (claireRecue_ && rectangleRecu_)
        courant_ = Enregistrer(*claireRecue_, balancecoul::Zone{*rectangleRecu_, position_},
                               LumRef::Moyenne, false);
    NotifieHote(sablier);
    if (AForme()) F().Activer("ZoneRef", true);
    etatZone_ = 1;
}

void TBalCoul::NotifieHote(std::optional<CurseurAttente> &sablier) {
    ImageModifiee = true;
    sablier.reset();
    Notifier(Etat.Largeur, Etat.Hauteur, false, false);
}

void TBalCoul::ReInitClick(const TEvenement *) {
    // The host's image back to its state at the opening.
    std::copy_n(Etat.Copie.data(), NbPixels(), Etat.ImgHote.data());
    ImageModifiee = false;
    F().DefinirPosition("TempCoul", PositionDefaut);
    TempCoulChange();
    etatZone_ = 1;
    F().Activer("ZoneRef", true);
    claireRecue_.reset();
    courant_.reset();
    Notifier(Etat.Largeur, Etat.Hauteur, false, false);
}

void TBalCoul::AnnulerClick() { ImageModifiee = false; }

void TBalCoul::AppliquerClick() {
    ImageModifiee = true;
    // Zones that came as pixels alone give no settings to repeat.
    if (courant_)
        RetenirAppliques(*courant_);
    else
        OublierAppliques();
}

void TBalCoul::FormClose() {
    // The host's array keeps the last correction; ImageModifiee tells the host
    // whether to keep it.
    Etat.Vider();
    Notifier(Etat.Largeur, Etat.Hauteur, false, true);
}

void TBalCoul::RecoitZoneRectangle(int32_t x, int32_t y, int32_t largeur, int32_t hauteur,
                                   TPtImg *image) {
    if (!Ouvert() || Etat.Copie.empty())
        throw reglages::ErreurReglage("la balance des couleurs n'est pas ouverte");
    const std::array<int32_t, 4> rectangle{x, y, largeur, hauteur};
    // A copy of another size than the opening's says nothing of its rows.
    const int32_t hauteurCopie =
        int64_t(Etat.Largeur) * Etat.Hauteur == Etat.Copie.size() ? Etat.Hauteur : 0;
    const std::vector<TPtImg> pixels =
        Decouper(Etat.Copie.data(), Etat.Largeur, hauteurCopie, rectangle, nullptr);
    TPtsImg zone = TPtsImg::Creer(int32_t(pixels.size()));
    std::copy(pixels.begin(), pixels.end(), zone.data());
    rectangleRecu_ = rectangle;
    try {
        RecoitZone(zone.data(), image);
    } catch (...) {
        rectangleRecu_.reset();
        throw;
    }
    rectangleRecu_.reset();
}

} // namespace velmora
