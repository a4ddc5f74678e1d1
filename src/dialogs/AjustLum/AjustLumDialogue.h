// "Ajustement du profil du Gamma" as well (operation 4, the same caption as the
// gamma dialog): one luminosity curve that keeps each pixel's hue, .plu files.
// Rules in AjustLum.h, form in AjustLumForme.cpp.
#pragma once

#include "AjustLum.h"
#include "imaging/DialogueProfils.h"

#include <memory>

namespace velmora {

extern const TForme FormeAjustLumManu;

class TAjustLumManu : public TDialogueProfils {
public:
    TAjustLumManu();

    void ReInitClick(const TEvenement *emetteur) override;
    // The graph: a press acts as a move; a release of any button refreshes the preview.
    void ProfilLMouseDown(const TEvenement &e) { SourisGraphe(e); }
    void ProfilLMouseMove(const TEvenement &e) { SourisGraphe(e); }
    void ProfilLMouseUp(const TEvenement &) { RafraichirApercu(); }

    EditeurProfil &Editeur() override { return editeur_; }
    const TProfil &ProfLum() const { return profLum_; }
    TProfil &ProfLum() { return profLum_; }

protected:
    void DefinirRegle() override {
        if (regle_) regle_->Definir(profLum_);
        else regle_ = std::make_unique<ajustlum::RegleLum>(profLum_);
    }
    const RegleBloc *Regle() const override { return regle_.get(); }
    void Enregistrer(const std::filesystem::path &chemin) override;
    std::size_t Charger(const std::filesystem::path &chemin) override;

private:
    TProfil profLum_ = TProfil::Identite();
    EditeurProfil editeur_{{{&profLum_, CouleurNoire}}, {0}, Noyau::Luminosite};
    std::unique_ptr<ajustlum::RegleLum> regle_;  // 64 KB, made at the first preview
};

} // namespace velmora
