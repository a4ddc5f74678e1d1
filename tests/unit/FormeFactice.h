// A recording fake of the form interface: the controls' values as the table
// defines them, a journal of what the dialog did to its form, the pictures
// it showed, and scripted answers for the boxes. MontrerModal runs the
// "user" (a function the test gives) instead of an event loop.
#pragma once

#include "imaging/dialogue/Dialogue.h"
#include "imaging/dialogue/Hote.h"
#include <velmora/memoire.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

inline bool operator==(TPtImg a, TPtImg b) {
    return a.Bleu == b.Bleu && a.Vert == b.Vert && a.Rouge == b.Rouge;
}

namespace velmora::essai {

class FormeFactice final : public IForme {
public:
    struct Controle {
        const TControle *table;
        int32_t position = 0, index = -1;
        bool coche = false, actif = true;
        std::string texte;
        std::vector<std::string> elements;
        TRect place;
    };

    FormeFactice(const TForme &table, IGestionnaire &dialogue) : table_(table), dialogue_(dialogue) {
        for (const TControle &c : table.Controles) {
            Controle &k = controles[c.Nom];
            k.table = &c;
            k.position = c.Position;
            k.index = c.Index;
            k.coche = c.Coche;
            k.texte = c.Texte ? c.Texte : "";
            for (const char *e : c.Elements) k.elements.emplace_back(e);
            k.place = c.Place;
        }
    }

    // --- what the test reads
    std::map<std::string, Controle, std::less<>> controles;
    std::map<std::string, TImage, std::less<>> images;    // last picture shown per control
    std::map<std::string, int, std::less<>> nbImages;     // how many times each was shown
    std::vector<std::string> journal;                     // "Modal", "Fermer", "Erreur <t>", ...
    std::vector<std::pair<TRect, std::string>> textes;    // drawn on the surface, not erased
    bool visible = false, premierPlan = true;
    // Off where nothing reads the pictures (the boundary fuzzer): each copy of a
    // new form's 256 x 256 graph is a fresh allocation to fill.
    bool copierImages = true;

    // --- what the test scripts
    std::function<void()> utilisateur;  // run inside MontrerModal
    std::deque<std::optional<std::filesystem::path>> fichiers;  // answers of the file dialogs
    std::deque<std::optional<uint32_t>> couleurs;
    std::deque<std::optional<std::string>> saisies;
    std::deque<std::function<void()>> differes;
    std::vector<TDialogueFichier> dialoguesFichier;  // as asked
    std::string separateur = ",";
    std::optional<TPtImg> infoBulle;  // the system's tooltip colour; none: the usual one

    // --- the user, as a back end would report him
    void Evenement(std::string_view nom, TTypeEvenement t) { dialogue_.Evenement({nom, t}); }
    void Clic(std::string_view nom) { Evenement(nom, TTypeEvenement::Clic); }
    // Moves a slider as the user does: change, then release.
    void Glisser(std::string_view nom, int32_t position) {
        C(nom).position = position;
        Evenement(nom, TTypeEvenement::Change);
        Evenement(nom, TTypeEvenement::Relache);
    }
    void Choisir(std::string_view nom, int32_t index) {  // list or radio group
        C(nom).index = index;
        Evenement(nom, TTypeEvenement::Change);
    }
    void Souris(std::string_view nom, TTypeEvenement t, uint8_t bouton, uint8_t boutons, int32_t x,
                int32_t y, uint8_t touches = 0, bool doubleClic = false) {
        dialogue_.Evenement({nom, t, bouton, boutons, touches, x, y, doubleClic});
    }
    void ExecuterDifferes() {
        while (!differes.empty()) {
            auto f = std::move(differes.front());
            differes.pop_front();
            f();
        }
    }
    const std::string &TexteDe(std::string_view nom) { return C(nom).texte; }

    // --- IForme
    int32_t Position(std::string_view n) const override { return C(n).position; }
    void DefinirPosition(std::string_view n, int32_t v) override { C(n).position = v; }
    std::string Texte(std::string_view n) const override {
        const Controle &k = C(n);
        if (k.table->Genre == TGenre::Liste)
            return k.index >= 0 && k.index < int32_t(k.elements.size()) ? k.elements[k.index] : "";
        return k.texte;
    }
    void DefinirTexte(std::string_view n, std::string_view t) override { C(n).texte = t; }
    bool Coche(std::string_view n) const override { return C(n).coche; }
    void DefinirCoche(std::string_view n, bool v) override { C(n).coche = v; }
    int32_t Index(std::string_view n) const override { return C(n).index; }
    void DefinirIndex(std::string_view n, int32_t i) override { C(n).index = i; }
    std::vector<std::string> Elements(std::string_view n) const override { return C(n).elements; }
    void InsererElement(std::string_view n, int32_t i, std::string_view t) override {
        auto &e = C(n).elements;
        e.insert(e.begin() + i, std::string(t));
    }
    void Activer(std::string_view n, bool a) override { C(n).actif = a; }
    void Placer(std::string_view n, TRect p) override { C(n).place = p; }
    void MontrerImage(std::string_view n, const TImage &image) override {
        C(n);
        if (copierImages) images[std::string(n)] = image;
        ++nbImages[std::string(n)];
    }
    TPtImg CouleurSysteme(TCouleurSysteme c) const override {
        if (c == TCouleurSysteme::FondInfoBulle) return infoBulle.value_or(FondInfoBulleParDefaut);
        return c == TCouleurSysteme::FaceBouton ? TPtImg{200, 201, 202} : TPtImg{100, 101, 102};
    }
    TTaille MesurerTexte(std::string_view t) const override { return {int32_t(t.size()) * 6, 13}; }
    void DessinerTexte(int32_t x, int32_t y, std::string_view t) override {
        textes.push_back({{x, y, int32_t(t.size()) * 6, 13}, std::string(t)});
    }
    void EffacerZone(TRect z) override {
        std::erase_if(textes, [&](const auto &t) {
            const TRect &r = t.first;
            return r.Gauche < z.Gauche + z.Largeur && z.Gauche < r.Gauche + r.Largeur &&
                   r.Haut < z.Haut + z.Hauteur && z.Haut < r.Haut + r.Hauteur;
        });
    }
    void MontrerModal() override {
        journal.push_back("Modal");
        visible = true;
        if (utilisateur) utilisateur();
        // A user who never closes: the loop ends when the test says so.
        visible = false;
    }
    void MontrerNonModal() override {
        journal.push_back("NonModal");
        visible = true;
    }
    void Fermer() override {
        journal.push_back("Fermer");
        visible = false;
    }
    bool Visible() const override { return visible; }
    void PremierPlan(bool actif) override {
        premierPlan = actif;
        journal.push_back(actif ? "PremierPlan 1" : "PremierPlan 0");
    }
    void MessageErreur(std::string_view t) override { journal.push_back("Erreur " + std::string(t)); }
    void MessageInformation(std::string_view t) override {
        journal.push_back("Information " + std::string(t));
    }
    std::optional<std::filesystem::path> OuvrirFichier(const TDialogueFichier &d) override {
        return Repondre(d, "Ouvrir");
    }
    std::optional<std::filesystem::path> EnregistrerFichier(const TDialogueFichier &d) override {
        return Repondre(d, "Enregistrer");
    }
    std::optional<uint32_t> ChoisirCouleur() override {
        journal.push_back("Couleur");
        if (couleurs.empty()) return std::nullopt;
        auto c = couleurs.front();
        couleurs.pop_front();
        return c;
    }
    std::optional<std::string> Saisir(std::string_view titre, std::string_view invite,
                                      std::string_view defaut) override {
        journal.push_back("Saisie " + std::string(titre) + "|" + std::string(invite) + "|" +
                          std::string(defaut));
        if (saisies.empty()) return std::nullopt;
        auto s = saisies.front();
        saisies.pop_front();
        return s;
    }
    void PlacerCurseurSouris(std::string_view n, int32_t x, int32_t y) override {
        C(n);
        journal.push_back("Souris " + std::string(n) + " " + std::to_string(x) + "," +
                          std::to_string(y));
    }
    void Differer(std::function<void()> f) override { differes.push_back(std::move(f)); }
    std::string SeparateurDecimal() const override { return separateur; }

private:
    std::optional<std::filesystem::path> Repondre(const TDialogueFichier &d, const char *quoi) {
        journal.push_back(quoi);
        dialoguesFichier.push_back(d);
        if (fichiers.empty()) return std::nullopt;
        auto f = fichiers.front();
        fichiers.pop_front();
        return f;
    }
    Controle &C(std::string_view n) {
        auto it = controles.find(n);
        if (it == controles.end()) throw std::invalid_argument("contrôle inconnu : " + std::string(n));
        return it->second;
    }
    const Controle &C(std::string_view n) const { return const_cast<FormeFactice *>(this)->C(n); }

    const TForme &table_;
    IGestionnaire &dialogue_;
};

// One notice to the host as the boundary would pass it.
struct Notice {
    int32_t largeur, hauteur;
    bool zone, modifiee, fin;
    friend bool operator==(const Notice &, const Notice &) = default;
};

// Records the notices for its lifetime.
class Notices {
public:
    Notices() {
        liste().clear();
        InstallerNotification([](int32_t l, int32_t h, bool z, bool m, bool f) {
            liste().push_back({l, h, z, m, f});
        });
    }
    ~Notices() { InstallerNotification(nullptr); }
    const std::vector<Notice> &operator*() const { return liste(); }
    const std::vector<Notice> *operator->() const { return &liste(); }

private:
    static std::vector<Notice> &liste() {
        static std::vector<Notice> l;
        return l;
    }
};

// A dialog of type D with a fake form attached (FormCreate has run).
template <class D> struct Banc {
    D dialogue;
    FormeFactice *forme;
    Banc() {
        auto f = std::make_unique<FormeFactice>(dialogue.Table(), dialogue);
        forme = f.get();
        dialogue.Attacher(std::move(f), 1);
    }
    // A counted array holding the pixels, as the host passes it.
    static TPtsImg Tableau(const std::vector<TPtImg> &pixels) {
        TPtsImg t = TPtsImg::Creer(int32_t(pixels.size()));
        for (std::size_t i = 0; i < pixels.size(); ++i) t[i] = pixels[i];
        return t;
    }
};

} // namespace velmora::essai
