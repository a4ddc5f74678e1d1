// The Windows back end of a form: native controls (user32 and the common
// controls) built from the form's table, their notifications forwarded to the
// dialog as TEvenement, and the form interface. One class for every dialog.
// Every control, and the form's window, carries the window property
// "objectName" (the address of its zero-terminated name), so that code in the
// host's process finds a control by name.
// The class's pieces, each in its file: FormeWin32.cpp (building the controls
// and the form interface on them), ProceduresWin32 (the window procedures and
// painting), TexteWin32 (fonts and text), ModalWin32 (showing: the modal loop
// and the message hook), BoitesWin32 (message, file, colour and input boxes);
// ClassesWin32 registers the window classes, GlyphesWin32 draws the buttons'
// pictures.
#pragma once

#include "imaging/dialogue/Interface.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace velmora::win32 {

// The private message of the deferred calls.
inline constexpr UINT MessageDiffere = 0x500;

class FormeWin32 final : public IForme {
public:
    FormeWin32(const TForme &table, IGestionnaire &dialogue);
    ~FormeWin32() override;

    int32_t Position(std::string_view nom) const override;
    void DefinirPosition(std::string_view nom, int32_t v) override;
    std::string Texte(std::string_view nom) const override;
    void DefinirTexte(std::string_view nom, std::string_view texte) override;
    bool Coche(std::string_view nom) const override;
    void DefinirCoche(std::string_view nom, bool v) override;
    int32_t Index(std::string_view nom) const override;
    void DefinirIndex(std::string_view nom, int32_t i) override;
    std::vector<std::string> Elements(std::string_view nom) const override;
    void InsererElement(std::string_view nom, int32_t index, std::string_view texte) override;
    void Activer(std::string_view nom, bool actif) override;
    void Placer(std::string_view nom, TRect place) override;
    void MontrerImage(std::string_view nom, const TImage &image) override;
    TPtImg CouleurSysteme(TCouleurSysteme c) const override;
    TTaille MesurerTexte(std::string_view texte) const override;
    void DessinerTexte(int32_t x, int32_t y, std::string_view texte) override;
    void EffacerZone(TRect zone) override;
    void MontrerModal() override;
    void MontrerNonModal() override;
    void Fermer() override;
    bool Visible() const override;
    void PremierPlan(bool actif) override;
    void MessageErreur(std::string_view texte) override;
    void MessageInformation(std::string_view texte) override;
    std::optional<std::filesystem::path> OuvrirFichier(const TDialogueFichier &d) override;
    std::optional<std::filesystem::path> EnregistrerFichier(const TDialogueFichier &d) override;
    std::optional<uint32_t> ChoisirCouleur() override;
    std::optional<std::string> Saisir(std::string_view titre, std::string_view invite,
                                      std::string_view defaut) override;
    void PlacerCurseurSouris(std::string_view nom, int32_t x, int32_t y) override;
    void Differer(std::function<void()> f) override;
    std::string SeparateurDecimal() const override;

    HWND Fenetre() const { return hwnd_; }
    DWORD Fil() const { return fil_; }  // the thread that owns the windows

    // One control as built: the table's row, its window, what the back end
    // keeps to tell the user's changes from the dialog's writes.
    struct Controle {
        const TControle *table = nullptr;  // null for the items of a radio group
        std::string nom;
        HWND hwnd = nullptr;
        TGenre genre{};
        int id = 0;
        Controle *groupe = nullptr;        // the radio group of an item
        int32_t position = 0;              // slider: last position reported
        int32_t index = -1;                // radio group: selected item
        std::vector<Controle *> items;     // radio group
        // picture: top-down 24-bit rows, each padded to 4 bytes
        std::vector<uint8_t> dib;
        int32_t largeur = 0, hauteur = 0;
        COLORREF fond = CLR_INVALID;       // panel colour
        bool enfonce = false;
    };

    // From the window procedures (never throw).
    LRESULT ProcForme(HWND h, UINT m, WPARAM w, LPARAM l);
    LRESULT ProcControle(Controle &c, WNDPROC ancien, HWND h, UINT m, WPARAM w, LPARAM l);

private:
    Controle &Trouver(std::string_view nom) const;
    Controle &Comme(std::string_view nom, TGenre g) const;
    void Construire();
    void CreerControle(const TControle &t);
    Controle &Ajouter(const TControle *t, std::string nom, TGenre g, HWND h);
    bool Notification(UINT m, WPARAM w, LPARAM l, LRESULT &r);
    void Cliquer(Controle &c);
    void Souris(const Controle *c, UINT m, WPARAM w, LPARAM l);
    void Envoyer(const TEvenement &e);
    void Montrer();
    void Peindre(HWND h);
    void PeindreImage(Controle &c);
    void DessinerBouton(const Controle &c, const DRAWITEMSTRUCT &d);
    HWND Proprietaire() const;
    std::optional<std::filesystem::path> Fichier(const TDialogueFichier &d, bool enregistrer);
    std::string A(std::string_view utf8) const;  // to the code page of the A functions

    const TForme &table_;
    IGestionnaire &dialogue_;
    DWORD fil_;
    HWND hwnd_ = nullptr;
    HFONT police_ = nullptr;
    std::deque<Controle> controles_;
    std::map<std::string, Controle *, std::less<>> parNom_;
    std::map<int, Controle *> parId_;
    struct TexteDessine {
        int32_t x, y;
        std::string texte;  // Windows-1252
    };
    std::vector<TexteDessine> textes_;
    std::deque<std::function<void()>> differes_;
    int silence_ = 0;     // > 0 while the dialog writes a control: no event goes back
    bool modal_ = false, fin_ = false;
};

} // namespace velmora::win32
