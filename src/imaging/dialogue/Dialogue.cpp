#include "Dialogue.h"

#include "imaging/Curseur.h"
#include "imaging/Fpu.h"
#include "Hote.h"

#include <exception>
#include <new>
#include <stdexcept>
#include <utility>

namespace velmora {

TDialogue::TDialogue(const TForme &table) : table_(table) {
    apercu_ = table.Controle("PreVisu") != nullptr;
    // The buttons every dialog shares; a form without one simply has no binding.
    if (const TControle *ok = table.AvecRole(TRole::Defaut))
        Lier(ok->Nom, TTypeEvenement::Clic, [this](const TEvenement &) {
            if (Executer([this] { AppliquerClick(); })) Fermer();
        });
    auto annuler = [this](const TEvenement &) {
        if (Executer([this] { AnnulerClick(); })) Fermer();
    };
    if (const TControle *c = table.AvecRole(TRole::Annulation))
        Lier(c->Nom, TTypeEvenement::Clic, annuler);
    Lier(table.Nom, TTypeEvenement::Fermeture, annuler);
    if (table.Controle("ReInit"))
        Lier("ReInit", TTypeEvenement::Clic, [this](const TEvenement &e) { ReInitClick(&e); });
}

TDialogue::~TDialogue() = default;

void TDialogue::Attacher(std::unique_ptr<IForme> forme, uint64_t generation) {
    forme_ = std::move(forme);
    generation_ = generation;
    ouvert_ = false;
    if (forme_) Executer([this] { FormCreate(); });
}

std::unique_ptr<IForme> TDialogue::Detacher() {
    ouvert_ = false;
    return std::move(forme_);
}

IForme &TDialogue::F() const {
    if (!forme_) throw std::logic_error("dialogue sans fiche");
    return *forme_;
}

void TDialogue::Lier(std::string_view controle, TTypeEvenement type, Gestionnaire g) {
    liaisons_.push_back({std::string(controle), type, std::move(g)});
}

void TDialogue::Evenement(const TEvenement &e) {
    // A modeless dialog is served by the host's own message loop, outside any
    // export: its handlers too run in the environment the rules are written for.
    const fpu::Garde garde;
    for (const Liaison &l : liaisons_)
        if (l.type == e.Type && l.controle == e.Controle) {
            // Events reach a dialog only while it is shown.
            if (!ouvert_) return;
            Executer([&] { l.g(e); });
        }
}

bool TDialogue::Executer(const std::function<void()> &f) {
    std::string texte;
    try {
        f();
        return true;
    } catch (const std::bad_alloc &) {
        texte = "Mémoire insuffisante";
    } catch (const std::exception &e) {
        texte = e.what();
    } catch (...) {
        texte = "Erreur inconnue";
    }
    try {
        if (forme_) forme_->MessageErreur(TexteErreur(texte));
    } catch (...) {
        // Nothing more can be shown.
    }
    return false;
}

void TDialogue::Differer(std::function<void()> f) {
    F().Differer([this, f = std::move(f)] {
        const fpu::Garde garde;
        if (ouvert_) Executer(f);
    });
}

void TDialogue::Lancer(TPtImg *pixels, const TDimImg &dim) {
    // A modal dialog shown is inside an earlier Lancer that has not returned: a
    // second opening (a host calling back into the plug-in from its callback)
    // would swap the arrays under it. A modeless one is open between calls: each
    // opening takes the new image, the form staying shown.
    if (!forme_ || (ouvert_ && table_.Modale)) {
        depart_.reset();
        return;
    }
    const TPtsImg reference = TPtsImg::Referencer(pixels);  // for the whole run
    Etat.DefinirTaille(dim);
    Preparer(pixels);
    depart_.reset();  // an opening that failed does not pass it on
}

void TDialogue::Preparer(TPtImg *pixels) {
    try {
        Etat.PrendreImage(pixels);
        PreparerEtat();
    } catch (...) {
        // An error while setting up is absorbed: XchgData returns, no notice.
        return;
    }
    Montrer();
}

void TDialogue::PreparerEtat() {
    ReInitClick(nullptr);
    ConstruireApercu();
}

void TDialogue::Montrer() {
    // A form already shown is not shown again: FormShow leaves its controls alone.
    const bool dejaMontre = ouvert_;
    ouvert_ = true;
    fermeFaite_ = false;
    if (!dejaMontre) Executer([this] { FormShow(); });
    if (!table_.Modale) {
        // Modeless: XchgData returns with the dialog open; a button or a close
        // request ends it later (Fermer).
        F().MontrerNonModal();
        return;
    }
    F().MontrerModal();
    Terminer();
}

void TDialogue::Terminer() {
    // However the loop ended (the toolkit closing the window under us), the
    // host gets its notice once.
    if (ouvert_ && !fermeFaite_) {
        fermeFaite_ = true;
        Executer([this] { FormClose(); });
    }
    ouvert_ = false;
}

void TDialogue::Fermer() {
    if (!ouvert_) return;
    fermeFaite_ = true;
    Executer([this] { FormClose(); });
    ouvert_ = false;
    F().Fermer();
}

void TDialogue::ConstruireApercu() {
    Etat.ConstruireApercu();
    if (!apercu_ || !forme_) return;
    const GeometrieApercu &g = Etat.Geometrie;
    PreVisu = TImage(g.Largeur, g.Hauteur);
    Etat.CopierApercu([this](int32_t y) { return PreVisu.Ligne(y); });
    forme_->Placer("PreVisu", {g.Gauche, g.Haut, PreVisu.Largeur(), PreVisu.Hauteur()});
    forme_->MontrerImage("PreVisu", PreVisu);
}

void TDialogue::RafraichirApercu() {
    const RegleBloc *regle = Regle();
    if (!regle || !apercu_ || !forme_) return;
    if (PreVisu.Largeur() != Etat.Geometrie.Largeur || PreVisu.Hauteur() != Etat.Geometrie.Hauteur)
        return;  // no thumbnail built for this image
    Etat.RafraichirApercu(*regle, [this](int32_t y) { return PreVisu.Ligne(y); });
    forme_->MontrerImage("PreVisu", PreVisu);
}

void TDialogue::ReInitClick(const TEvenement *) { ImageModifiee = false; }

void TDialogue::AnnulerClick() { ImageModifiee = false; }

void TDialogue::AppliquerClick() {
    const RegleBloc *regle = Regle();
    if (!regle) return;
    CurseurAttente sablier;
    Etat.Appliquer(*regle);
    ImageModifiee = true;
}

void TDialogue::FormClose() { Etat.Fermer(); }

} // namespace velmora
