// "Balance des couleurs" (operation 7): modeless; the host picks reference zones
// in its own window and sends them through XchgData mode 1; each correction
// goes straight into the host's array. Rules in BalanceCoul.h, form in
// BalanceCoulForme.cpp.
#pragma once

#include "BalanceCoul.h"
#include "BalanceCoulReglages.h"
#include "imaging/Curseur.h"
#include "imaging/dialogue/Dialogue.h"

#include <optional>

namespace velmora {

extern const TForme FormeBalCoul;

class TBalCoul : public TDialogue {
public:
    TBalCoul();

    // Mode 1 of operation 7: the pixels of the zone the user picked and the
    // host's whole image, which becomes the array written to.
    void RecoitZone(TPtImg *zone, TPtImg *image);
    // The same for a rectangle of the opening's image (x, y, largeur, hauteur),
    // cut from the working copy. Throws reglages::ErreurReglage when the dialog
    // is not open or the rectangle leaves the image.
    void RecoitZoneRectangle(int32_t x, int32_t y, int32_t largeur, int32_t hauteur, TPtImg *image);

    // Handlers, named as the form binds them.
    void FormCreate() override;
    void FormShow() override;
    void TempCoulChange();
    void ZoneRefClick();
    void ReInitClick(const TEvenement *emetteur) override;
    void AnnulerClick() override;
    void AppliquerClick() override;
    void FormClose() override;

    // 1: the next zone is the light one; 2: the dark one (two-zone method).
    int32_t EtatZone() const { return etatZone_; }
    const balancecoul::TRVB &TeinteRVB() const { return teinte_; }
    const balancecoul::TRVB &ZoneClaire() const { return zoneClaire_; }
    const balancecoul::TRVB &ZoneSombre() const { return zoneSombre_; }
    const TImage &Bande() const { return bande_; }

protected:
    // Only the working copy, then the zone request, then shown modeless.
    void Preparer(TPtImg *pixels) override;

private:
    // The hourglass of the computation goes before the host is called.
    void NotifieHote(std::optional<CurseurAttente> &sablier);
    // The selected item of a radio group; the form's own when there is no form yet.
    int32_t Choix(const char *groupe) const;
    // The pixels the corrections write: as many as both Copie and ImgHote hold.
    std::size_t NbPixels() const;

    // The settings reproducing the correction shown: known when each zone
    // came as a rectangle.
    std::optional<std::array<int32_t, 4>> rectangleRecu_;
    std::optional<balancecoul::Zone> claireRecue_;
    std::optional<reglages::Enregistrement> courant_;
    int32_t position_ = balancecoul::PositionDefaut;

    int32_t etatZone_ = 1;
    balancecoul::TRVB zoneClaire_, zoneSombre_;
    balancecoul::TRVB teinte_ = balancecoul::TeinteDe(balancecoul::PositionDefaut);
    TImage bande_;
};

} // namespace velmora
