// "Réalisation de Monochrome" (operation 9): the channel-mixing picker, the
// tint list and the preview. Rules in MonoChrome.h, form in MonoChromeForme.cpp.
#pragma once

#include "MonoChrome.h"
#include "imaging/dialogue/Dialogue.h"

#include <string>
#include <vector>

namespace velmora {

extern const TForme FormeMonoCouleur;

class TMonoCouleur : public TDialogue {
public:
    TMonoCouleur();

    // Handlers, named as the form binds them.
    void FormCreate() override;
    void FormShow() override;
    void ReInitClick(const TEvenement *emetteur) override;
    void AppliquerClick() override;
    void ChoixCoulMouseDown(const TEvenement &e);
    void ChoixCoulMouseMove(const TEvenement &e);
    void ChoixCoulMouseUp(const TEvenement &e);
    void ChoixTeinteChange();
    void AutreTeinte();
    void EnrgTeinteClick();
    void ChargTeinteClick();

    const monochrome::Etat &EtatTeinte() const { return etat_; }
    const TImage &Selecteur() const { return selecteur_; }
    monochrome::Point Repere() const { return repere_; }

protected:
    // Reset only: the reset itself builds the preview.
    void PreparerEtat() override;
    const RegleBloc *Regle() const override { return &etat_.RegleCourante(); }

private:
    void TraceRepere(monochrome::Point p);
    // Moves the drawn marker to p (it is always drawn at exactly one place).
    void PlacerRepere(monochrome::Point p);
    void CalculeCoeffs(monochrome::Point p, bool redessiner);
    void CalculeTeinte(int32_t rgb);
    // Inserts a tint just before "Autre teinte ..." and selects it; its index.
    int32_t InsererTeinte(const std::string &entree);
    TDialogueFichier DialogueFichier() const;

    // The tints added by the user or loaded, in their order: a form made anew
    // (the toolkit's application object replaced) gets them back.
    std::vector<std::string> ajoutees_;
    monochrome::Etat etat_;
    monochrome::Point repere_;  // where the marker is drawn
    // What the rule stands for, for the settings given back: the point the
    // weights were last taken at, and the tint of the tables (0 for the
    // reset's identity, which black gives too).
    monochrome::Point filtre_;
    int32_t teinte_ = 0;
    TImage selecteur_;          // the picker picture, marker included
};

} // namespace velmora
