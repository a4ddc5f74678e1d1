#include "MonoChromeDialogue.h"

#include "MonoChromeReglages.h"
#include "imaging/dialogue/DossierHote.h"
#include "imaging/dialogue/Hote.h"
#include <algorithm>
#include <cstring>
#include <mutex>

namespace velmora {

using monochrome::Point;

TMonoCouleur::TMonoCouleur() : TDialogue(FormeMonoCouleur) {
    using T = TTypeEvenement;
    Lier("ChoixCoul", T::SourisEnfoncee, [this](const TEvenement &e) { ChoixCoulMouseDown(e); });
    Lier("ChoixCoul", T::SourisDeplacee, [this](const TEvenement &e) { ChoixCoulMouseMove(e); });
    Lier("ChoixCoul", T::SourisRelachee, [this](const TEvenement &e) { ChoixCoulMouseUp(e); });
    // A choice by the user only: selecting from code does not run the handler.
    Lier("ChoixTeinte", T::Change, [this](const TEvenement &) { ChoixTeinteChange(); });
    Lier("ChargTeinte", T::Clic, [this](const TEvenement &) { ChargTeinteClick(); });
    Lier("EnrgTeinte", T::Clic, [this](const TEvenement &) { EnrgTeinteClick(); });
}

namespace {
// The picker depends only on its geometry and the face colour: computed once
// for them, not at each form the toolkit makes, and handed out as a copy.
TImage SelecteurEnCache(const monochrome::Geometrie &g, TPtImg fond) {
    static std::mutex verrou;
    static monochrome::Geometrie geometrie;
    static TPtImg couleur;
    static TImage image;
    std::lock_guard<std::mutex> garde(verrou);
    if (image.Vide() || !(g == geometrie) || fond.Bleu != couleur.Bleu || fond.Vert != couleur.Vert ||
        fond.Rouge != couleur.Rouge) {
        const auto pixels =
            monochrome::ImageSelecteur(g, monochrome::TailleSelecteur, monochrome::TailleSelecteur, fond);
        image = TImage(monochrome::TailleSelecteur, monochrome::TailleSelecteur);
        const std::size_t n = std::size_t(image.Largeur()) * std::size_t(image.Hauteur());
        std::memcpy(image.Ligne(0), pixels.data(), std::min(n, pixels.size()) * sizeof(TPtImg));
        geometrie = g;
        couleur = fond;
    }
    return image;
}
} // namespace

void TMonoCouleur::FormCreate() {
    selecteur_ = SelecteurEnCache(etat_.geometrie, F().CouleurSysteme(TCouleurSysteme::FaceBouton));
    repere_ = etat_.geometrie.centre;
    TraceRepere(repere_);
    etat_.posRepere = etat_.geometrie.centre;
    F().MontrerImage("ChoixCoul", selecteur_);
    for (const std::string &entree : ajoutees_)
        F().InsererElement("ChoixTeinte", int32_t(F().Elements("ChoixTeinte").size()) - 1, entree);
}

void TMonoCouleur::PreparerEtat() { ReInitClick(nullptr); }

void TMonoCouleur::ReInitClick(const TEvenement *) {
    etat_.DefinirTables(monochrome::Identite());
    teinte_ = 0;
    ImageModifiee = false;
    CalculeCoeffs(etat_.geometrie.centre, false);
    ConstruireApercu();
    PlacerRepere(etat_.geometrie.centre);
    etat_.posRepere = etat_.geometrie.centre;
    F().DefinirIndex("ChoixTeinte", 0);
    etat_.derniereTeinte = 0;
}

void TMonoCouleur::FormShow() {
    const auto depart = PrendreDepart();
    if (!depart) return;  // the reset has done it all
    // Opened on settings: the tint, shown in the list by the first entry of its
    // colour (the reset's entry for none), else added to it as the colour box
    // adds one left unnamed; then the marker committed at the filter's point.
    const int32_t rgb = monochrome::TeinteReglages(*depart) & 0xFFFFFF;
    if (rgb != 0) {
        const std::vector<std::string> entrees = F().Elements("ChoixTeinte");
        int32_t index = -1;
        for (int32_t i = 0; i + 1 < int32_t(entrees.size()) && index < 0; ++i) {
            try {
                if ((monochrome::ValeurTeinte(entrees[std::size_t(i)]) & 0xFFFFFF) == rgb) index = i;
            } catch (const monochrome::ErreurConversion &) {
                // an added entry that names no colour
            }
        }
        if (index >= 0)
            F().DefinirIndex("ChoixTeinte", index);
        else
            index = InsererTeinte(monochrome::NouvelleEntree("Teinte", rgb >> 16, (rgb >> 8) & 0xFF,
                                                             rgb & 0xFF));
        etat_.derniereTeinte = index;
        CalculeTeinte(rgb);
    }
    const auto &c = (*depart)["filtre"].Coords;
    const Point p{c[0], c[1]};
    PlacerRepere(p);
    etat_.posRepere = p;
    CalculeCoeffs(p, true);
}

void TMonoCouleur::AppliquerClick() {
    TDialogue::AppliquerClick();
    reglages::Enregistrement r(monochrome::ChampsReglages);
    r["filtre"].Coords = {filtre_.x, filtre_.y, 0, 0};
    r["teinte"].Entier = teinte_ & 0xFFFFFF;
    RetenirAppliques(std::move(r));
}

void TMonoCouleur::TraceRepere(Point p) {
    selecteur_.EllipseXor(p.x - 5, p.y - 5, p.x + 5, p.y + 5);
}

void TMonoCouleur::PlacerRepere(Point p) {
    // Erasing where the marker really is, rather than where the last commit
    // says, keeps a single marker on the picture whatever the button sequence.
    TraceRepere(repere_);
    TraceRepere(p);
    repere_ = p;
    F().MontrerImage("ChoixCoul", selecteur_);
}

void TMonoCouleur::CalculeCoeffs(Point p, bool redessiner) {
    etat_.DefinirCoeffs(p);
    filtre_ = p;
    const std::string sep = F().SeparateurDecimal();
    const auto &k = etat_.Coeffs();
    F().DefinirTexte("CoeffR", monochrome::TexteCoefficient("kR", k.kR, sep));
    F().DefinirTexte("CoeffV", monochrome::TexteCoefficient("kV", k.kV, sep));
    F().DefinirTexte("CoeffB", monochrome::TexteCoefficient("kB", k.kB, sep));
    if (redessiner) RafraichirApercu();
}

void TMonoCouleur::CalculeTeinte(int32_t rgb) {
    etat_.DefinirTables(monochrome::CalculeTeinte(rgb));
    teinte_ = rgb;
}

namespace {
// The plain left button: held alone, no modifier key.
bool GaucheSeul(const TEvenement &e) { return e.Boutons == BGauche && e.Touches == 0; }
} // namespace

void TMonoCouleur::ChoixCoulMouseDown(const TEvenement &e) {
    if (e.Bouton != BGauche || !GaucheSeul(e)) return;
    PlacerRepere({e.X, e.Y});
}

void TMonoCouleur::ChoixCoulMouseMove(const TEvenement &e) {
    if (!GaucheSeul(e)) return;
    const Point p{e.X, e.Y};
    if (!etat_.geometrie.DansDisque(p)) {
        // Back onto the circle: the move this causes brings the marker there;
        // this notice still goes on with the outside point.
        const Point q = etat_.geometrie.SurCercle(p);
        F().PlacerCurseurSouris("ChoixCoul", q.x, q.y);
    }
    PlacerRepere(p);
    CalculeCoeffs(p, true);
}

void TMonoCouleur::ChoixCoulMouseUp(const TEvenement &e) {
    if (e.Bouton != BGauche) return;
    const Point p{e.X, e.Y};
    if (!(repere_ == p)) PlacerRepere(p);
    etat_.posRepere = p;
    CalculeCoeffs(p, true);
}

void TMonoCouleur::ChoixTeinteChange() {
    const int32_t index = F().Index("ChoixTeinte");
    if (index < 0) return;
    if (index == int32_t(F().Elements("ChoixTeinte").size()) - 1) {
        // The colour dialog opens once the list has finished with its own event.
        Differer([this] { AutreTeinte(); });
        return;
    }
    CalculeTeinte(monochrome::ValeurTeinte(F().Texte("ChoixTeinte")));
    CalculeCoeffs(etat_.posRepere, true);
    etat_.derniereTeinte = index;
}

int32_t TMonoCouleur::InsererTeinte(const std::string &entree) {
    const int32_t index = int32_t(F().Elements("ChoixTeinte").size()) - 1;
    F().InsererElement("ChoixTeinte", index, entree);
    ajoutees_.push_back(entree);
    F().DefinirIndex("ChoixTeinte", index);
    return index;
}

void TMonoCouleur::AutreTeinte() {
    PremierPlanSuspendu normal(F(), PremierPlan());
    const std::optional<uint32_t> couleur = F().ChoisirCouleur();
    if (!couleur) {
        F().DefinirIndex("ChoixTeinte", etat_.derniereTeinte);
        return;
    }
    const std::string nom =
        F().Saisir("Nouvelle teinte", "Nom de la nouvelle teinte :", "Teinte").value_or("Teinte");
    const int r = int(*couleur & 0xFF), v = int((*couleur >> 8) & 0xFF),
              b = int((*couleur >> 16) & 0xFF);
    etat_.derniereTeinte = InsererTeinte(monochrome::NouvelleEntree(nom, r, v, b));
    CalculeTeinte(r << 16 | v << 8 | b);
    CalculeCoeffs(etat_.posRepere, true);
}

TDialogueFichier TMonoCouleur::DialogueFichier() const {
    return {"Fichiers Monochrome (*.uni)|*.uni", DossierHote(), "uni"};
}

void TMonoCouleur::EnrgTeinteClick() {
    PremierPlanSuspendu normal(F(), PremierPlan());
    const auto chemin = F().EnregistrerFichier(DialogueFichier());
    if (!chemin) return;
    monochrome::EnregistrerTeinte(*chemin, F().Texte("ChoixTeinte"));
}

void TMonoCouleur::ChargTeinteClick() {
    PremierPlanSuspendu normal(F(), PremierPlan());
    const auto chemin = F().OuvrirFichier(DialogueFichier());
    if (!chemin) return;
    InsererTeinte(monochrome::ChargerTeinte(*chemin));
    ChoixTeinteChange();
}

} // namespace velmora
