// The one interface between a dialog and the toolkit that shows it. A dialog
// reads and writes its controls by name, shows the pictures it draws, opens
// the common boxes; the back end calls the dialog back with TEvenement.
// Writing a control from the dialog never raises an event: the dialog runs
// the handlers it means to run itself.
#pragma once

#include "Forme.h"
#include "Image.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

enum class TTypeEvenement : uint8_t {
    Change,          // slider moved, list or radio group selection changed by the user
    Relache,         // mouse button released on a slider
    Clic,            // button, radio button or check box clicked
    SourisEnfoncee,  // mouse pressed on a control (Bouton, Boutons, Touches, X, Y, DoubleClic)
    SourisDeplacee,  // mouse moved over a control, or dragged from it (Boutons, Touches, X, Y)
    SourisRelachee,  // mouse released after a press on a control (Bouton, X, Y)
    Fermeture,       // the window is being closed other than by a button
};

enum TBoutonSouris : uint8_t { BGauche = 1, BDroit = 2, BMilieu = 4 };
enum TTouche : uint8_t { TMaj = 1, TCtrl = 2, TAlt = 4 };

struct TEvenement {
    std::string_view Controle;  // the control's name; the form's own name for the form
    TTypeEvenement Type;
    uint8_t Bouton = 0;   // the button that changed (press, release)
    uint8_t Boutons = 0;  // buttons held after the event
    uint8_t Touches = 0;  // modifier keys held
    int32_t X = 0, Y = 0; // in the control's client coordinates
    bool DoubleClic = false;  // a press that is the second of a double click
};

// What the back end calls: the dialog's single entry for every event.
class IGestionnaire {
public:
    virtual ~IGestionnaire() = default;
    virtual void Evenement(const TEvenement &e) = 0;
};

struct TDialogueFichier {
    std::string Filtre;      // "Description (*.ext)|*.ext"
    std::filesystem::path Dossier;  // initial folder
    std::string Extension;   // default extension without the dot ("uni")
};

struct TTaille {
    int32_t Largeur = 0, Hauteur = 0;
};

class IForme {
public:
    virtual ~IForme() = default;

    // --- control values (by name; an unknown name is a programming error: throws)
    virtual int32_t Position(std::string_view nom) const = 0;   // slider
    virtual void DefinirPosition(std::string_view nom, int32_t v) = 0;
    virtual std::string Texte(std::string_view nom) const = 0;  // caption; a list: its selected text
    virtual void DefinirTexte(std::string_view nom, std::string_view texte) = 0;
    virtual bool Coche(std::string_view nom) const = 0;         // radio button, check box
    virtual void DefinirCoche(std::string_view nom, bool v) = 0;
    virtual int32_t Index(std::string_view nom) const = 0;      // list, radio group
    virtual void DefinirIndex(std::string_view nom, int32_t i) = 0;
    virtual std::vector<std::string> Elements(std::string_view nom) const = 0;
    virtual void InsererElement(std::string_view nom, int32_t index, std::string_view texte) = 0;
    virtual void Activer(std::string_view nom, bool actif) = 0;

    // --- pictures
    virtual void Placer(std::string_view nom, TRect place) = 0;
    // Shows the picture in the image control (from its top-left corner); the
    // control keeps a copy, so the dialog may go on drawing into its own.
    virtual void MontrerImage(std::string_view nom, const TImage &image) = 0;
    virtual TPtImg CouleurSysteme(TCouleurSysteme c) const = 0;

    // --- text on the form's own surface (client coordinates)
    virtual TTaille MesurerTexte(std::string_view texte) const = 0;
    virtual void DessinerTexte(int32_t x, int32_t y, std::string_view texte) = 0;
    virtual void EffacerZone(TRect zone) = 0;

    // --- the window
    virtual void MontrerModal() = 0;     // returns when the dialog has closed
    virtual void MontrerNonModal() = 0;  // returns at once
    virtual void Fermer() = 0;           // ends the modal loop / hides
    virtual bool Visible() const = 0;
    virtual void PremierPlan(bool actif) = 0;  // stay-on-top style, keeping a shown dialog shown

    // --- boxes (each returns when the user has answered)
    virtual void MessageErreur(std::string_view texte) = 0;       // stop icon, OK
    virtual void MessageInformation(std::string_view texte) = 0;  // information icon, OK
    virtual std::optional<std::filesystem::path> OuvrirFichier(const TDialogueFichier &d) = 0;
    virtual std::optional<std::filesystem::path> EnregistrerFichier(const TDialogueFichier &d) = 0;
    // A colour dialog starting on black; $00BBGGRR.
    virtual std::optional<uint32_t> ChoisirCouleur() = 0;
    virtual std::optional<std::string> Saisir(std::string_view titre, std::string_view invite,
                                              std::string_view defaut) = 0;

    // --- the rest
    // Puts the system cursor on a point of a control (client coordinates).
    virtual void PlacerCurseurSouris(std::string_view nom, int32_t x, int32_t y) = 0;
    // Runs f in a later turn of the event loop (the dialog's private message).
    virtual void Differer(std::function<void()> f) = 0;
    virtual std::string SeparateurDecimal() const = 0;
};

// Switches the stay-on-top style off for its lifetime (around file, colour and
// name dialogs) and back on after, also when the inner dialog fails.
class PremierPlanSuspendu {
public:
    PremierPlanSuspendu(IForme &f, bool actif) : f_(f), actif_(actif) {
        if (actif_) f_.PremierPlan(false);
    }
    ~PremierPlanSuspendu() {
        if (actif_) f_.PremierPlan(true);
    }
    PremierPlanSuspendu(const PremierPlanSuspendu &) = delete;
    PremierPlanSuspendu &operator=(const PremierPlanSuspendu &) = delete;

private:
    IForme &f_;
    bool actif_;
};

// One back end per toolkit builds forms; the dialogs get theirs from here.
class IFabriqueFormes {
public:
    virtual ~IFabriqueFormes() = default;
    // True when forms can be shown in this process now (may create the toolkit's
    // application object). False: the dialog operations do nothing.
    virtual bool Disponible() = 0;
    // Changes whenever forms made before can no longer be used (the toolkit's
    // application object was replaced): the dialogs then make new ones.
    virtual uint64_t Generation() const = 0;
    virtual std::unique_ptr<IForme> Creer(const TForme &table, IGestionnaire &dialogue) = 0;
    // Disposes of a form: destroyed while its generation is current and the
    // process is not exiting, otherwise dropped without touching the toolkit.
    virtual void Liberer(std::unique_ptr<IForme> forme) = 0;
    // Library unload, after every form has been handed back: the toolkit's
    // application object goes if the back end made it.
    virtual void Terminer() = 0;
};

// The back end linked into this build.
IFabriqueFormes &FabriqueFormes();

} // namespace velmora
