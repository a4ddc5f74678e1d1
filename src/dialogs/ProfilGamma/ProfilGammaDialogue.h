// "Ajustement du profil du Gamma" (operation 3): four curves drawn on one graph,
// the radio group choosing the one a drag edits, .pfl files. Rules in
// ProfilGamma.h, form in ProfilGammaForme.cpp.
#pragma once

#include "ProfilGamma.h"
#include "imaging/DialogueProfils.h"

namespace velmora {

extern const TForme FormeProfGamma;

class TProfGamma : public TDialogueProfils {
public:
    TProfGamma();

    void ReInitClick(const TEvenement *emetteur) override;
    // The graph: a press acts as a move; a release of any button refreshes the preview.
    void ProfilGMouseDown(const TEvenement &e) { SourisGraphe(e); }
    void ProfilGMouseMove(const TEvenement &e) { SourisGraphe(e); }
    void ProfilGMouseUp(const TEvenement &) { RafraichirApercu(); }

    EditeurProfil &Editeur() override { return editeur_; }
    const profilgamma::Profils &Courbes() const { return profils_; }
    profilgamma::Profils &Courbes() { return profils_; }

protected:
    int32_t CourbeActive() override;
    void DefinirRegle() override { regle_.Definir(profils_); }
    const RegleBloc *Regle() const override { return &regle_; }
    void Enregistrer(const std::filesystem::path &chemin) override;
    std::size_t Charger(const std::filesystem::path &chemin) override;

private:
    profilgamma::Profils profils_;
    // Radio items and file blocks: Toutes, Rouge, Vert, Bleu; drawn red, green,
    // blue, then the all-channel curve in black on top.
    EditeurProfil editeur_{{{&profils_.ProfToutes, CouleurNoire},
                            {&profils_.ProfRouge, CouleurRouge},
                            {&profils_.ProfVert, CouleurVerte},
                            {&profils_.ProfBleu, CouleurBleue}},
                           {1, 2, 3, 0},
                           Noyau::Gamma};
    profilgamma::RegleGamma regle_;
};

} // namespace velmora
