// Arbitrary bytes as a .uni tint file, loaded through the monochrome dialog
// as the user does it (the recording fake form): the entry read, added to the
// list just before "Autre teinte ...", selected and converted, or refused with
// the conversion message. Then the entry written back and read again.
#include "FichierMemoire.h"
#include "FormeFactice.h"
#include "dialogs/MonoChrome/MonoChromeDialogue.h"
#include "imaging/ErreursFichier.h"

#include <velmora/windows1252.h>

#include <algorithm>
#include <memory>
#include <string>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, std::size_t taille) {
    // The dialog keeps every tint added, as it does for the user, for the next
    // form it gets: a fresh dialog now and then keeps the memory bounded.
    static std::unique_ptr<essai::Banc<TMonoCouleur>> dialogue;
    static std::size_t entrees = 0;
    if (!dialogue || ++entrees % 4096 == 0) {
        dialogue.reset();
        dialogue = std::make_unique<essai::Banc<TMonoCouleur>>();
    }
    essai::Banc<TMonoCouleur> &banc = *dialogue;
    static const TPtsImg image = essai::Banc<TMonoCouleur>::Tableau(
        {{10, 20, 30}, {200, 100, 50}, {0, 0, 0}, {255, 255, 255}});
    essai::FormeFactice &f = *banc.forme;
    auto &liste = f.controles.at("ChoixTeinte");

    const std::string &chemin = fuzz::FichierMemoire(donnees, taille);
    const std::string octets(reinterpret_cast<const char *>(donnees), taille);
    const std::string ligne = octets.substr(0, octets.find_first_of(std::string("\r\n\0", 3)));
    // Every byte has its character and comes back from it.
    const std::string entree = w1252::VersUtf8(ligne);
    if (w1252::DepuisUtf8(entree) != ligne) std::abort();

    f.fichiers = {chemin};
    f.utilisateur = [&] {
        f.Clic("ChargTeinte");
        f.ExecuterDifferes();
        f.Clic("Annuler");
    };
    banc.dialogue.Lancer(image.data(), {2, 2});

    // The entry just before "Autre teinte ...", selected.
    const std::size_t n = monochrome::TeintesInitiales().size();
    if (liste.elements.size() != n + 1 || liste.elements[n - 1] != entree ||
        liste.elements[n] != monochrome::AutreTeinte || liste.index != int32_t(n - 1))
        std::abort();
    bool convertie = true;
    int32_t valeur = 0;
    try {
        valeur = monochrome::ValeurTeinte(entree);
    } catch (const monochrome::ErreurConversion &) {
        convertie = false;
    }
    const bool refusee = std::any_of(f.journal.begin(), f.journal.end(), [](const std::string &j) {
        return j.rfind("Erreur ", 0) == 0 && j.find("n'est pas une valeur enti") != std::string::npos;
    });
    if (refusee == convertie) std::abort();
    if (convertie) {
        const monochrome::Tables t = monochrome::CalculeTeinte(valeur);
        const monochrome::Tables &d = banc.dialogue.EtatTeinte().TablesTeinte();
        if (t.R != d.R || t.V != d.V || t.B != d.B) std::abort();
    }

    // Written back, it reads the same.
    try {
        monochrome::EnregistrerTeinte(chemin, entree);
        if (monochrome::ChargerTeinte(chemin) != entree) std::abort();
    } catch (const ErreurFichier &) {
        std::abort();
    }
    // The form as it started, undone here so that each input frees what it took.
    f.journal.clear();
    f.journal.shrink_to_fit();
    liste.elements = monochrome::TeintesInitiales();
    liste.index = 0;
    return 0;
}
