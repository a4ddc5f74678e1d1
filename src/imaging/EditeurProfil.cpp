#include "EditeurProfil.h"

#include "Numerique.h"

#include <cstring>
#include <limits>
#include <utility>

namespace velmora {

namespace {

// Curve values from a file can be any int32: a neighbour's move is kept in range
// rather than wrapped.
int32_t Saturer32(int64_t v) {
    constexpr int64_t bas = std::numeric_limits<int32_t>::min();
    constexpr int64_t haut = std::numeric_limits<int32_t>::max();
    return int32_t(v < bas ? bas : (v > haut ? haut : v));
}

// The dialog's own size, larger than the graph: the frame drawn with it shows
// only along the graph's top row and left column.
constexpr TRect CadreDialogue{0, 0, 606, 380};

} // namespace

void TProfil::ReInit() {
    for (int32_t i = Debut; i <= Fin; ++i) (*this)[i] = 255 - i;
}

TProfil TProfil::Identite() {
    TProfil p;
    p.ReInit();
    return p;
}

void ModifProfil(TProfil &p, int32_t X, int32_t Y, Noyau noyau) {
    X = SerrerGraphe(X);
    Y = SerrerGraphe(Y);
    const Reel d = Reel(int64_t(Y) - p[X]);
    static constexpr Reel diviseur[4] = {1, 3, 9, 27};
    for (int32_t i = -3; i <= 3; ++i)
        p[X + i] = Saturer32(int64_t(p[X + i]) + Round(d / diviseur[i < 0 ? -i : i]));

    // In place, left to right: the entries at k-1.. have already been smoothed in
    // this pass. The margins are read, never written.
    for (int32_t k = 0; k < CoteGraphe; ++k) {
        Reel s;
        if (noyau == Noyau::Gamma) {
            s = Reel(p[k - 2]) / 4;
            s += Reel(p[k - 1]) / 2;
            s += Reel(p[k]);
            s += Reel(p[k + 1]) / 2;
            s += Reel(p[k + 2]) / 4;
            s = s / 2.5L;
        } else {
            s = Reel(p[k - 3]) / 4;
            s += Reel(p[k - 2]) / 3;
            s += Reel(p[k - 1]) / 2;
            s += Reel(p[k]);
            s += Reel(p[k + 1]) / 2;
            s += Reel(p[k + 2]) / 3;
            s += Reel(p[k + 3]) / 4;
            s = s * 6;
            s = s / 19;
        }
        // A weighted mean of int32 values: always within int32.
        p[k] = Saturer32(Round(s));
    }
}

std::string TexteCoord(int32_t X, int32_t Y) {
    return "X = " + std::to_string(X) + "  Y = " + std::to_string(255 - int64_t(Y));
}

TRect ZoneCoord(int32_t w, int32_t h) {
    return {470 - w / 2, 275 - h / 2, 2 * (w / 2), 2 * (h / 2)};
}

EditeurProfil::EditeurProfil(std::vector<CourbeEditee> courbes, std::vector<int> ordreTrace,
                             Noyau noyau)
    : courbes_(std::move(courbes)), ordre_(std::move(ordreTrace)), noyau_(noyau) {
    for (int32_t i = 0; i < CoteGraphe; ++i) xs_[std::size_t(i)] = i;
}

void EditeurProfil::DefinirFond(TPtImg couleur) { couleurFond_ = couleur; }

void EditeurProfil::ReInit() {
    for (CourbeEditee &c : courbes_) c.Profil->ReInit();
    Redessiner();
}

void EditeurProfil::Modifier(int32_t X, int32_t Y) {
    if (Active < 0 || std::size_t(Active) >= courbes_.size()) return;
    ModifProfil(*courbes_[std::size_t(Active)].Profil, X, Y, noyau_);
    Redessiner();
}

std::string EditeurProfil::Souris(int32_t X, int32_t Y, bool edite) {
    std::string texte = TexteCoord(X, Y);
    if (edite) Modifier(X, Y);
    return texte;
}

void EditeurProfil::TracerProfils() {
    // Drawn at the first repaint, not when the dialog is made: a dialog never
    // opened holds no picture. Later repaints fill it again in place, as cheap
    // as copying a kept background and without a second picture.
    if (graphe_.Vide())
        graphe_ = TImage(CoteGraphe, CoteGraphe, couleurFond_);
    else
        graphe_.Remplir(couleurFond_);
    graphe_.Cadre(CadreDialogue, CouleurRouge);
    for (int i : ordre_) {
        const CourbeEditee &c = courbes_[std::size_t(i)];
        for (int32_t x = 0; x < CoteGraphe; ++x) ys_[std::size_t(x)] = (*c.Profil)[x];
        graphe_.Polyligne(xs_.data(), ys_.data(), xs_.size(), c.Couleur);
    }
}

void EditeurProfil::TracerAxes() {
    graphe_.Ligne(127, 0, 127, 255, CouleurAxes);
    graphe_.Ligne(0, 127, 255, 127, CouleurAxes);
}

BlocProfil EncoderBloc(const TProfil &p) {
    BlocProfil b;
    for (std::size_t i = 0; i < p.Valeurs.size(); ++i) {
        const uint32_t v = uint32_t(p.Valeurs[i]);
        for (std::size_t k = 0; k < 4; ++k) b[4 * i + k] = uint8_t(v >> (8 * k));
    }
    return b;
}

void DecoderBloc(const uint8_t *octets, std::size_t n, TProfil &p) {
    BlocProfil b = EncoderBloc(p);
    if (n > b.size()) n = b.size();
    if (n > 0) std::memcpy(b.data(), octets, n);
    for (std::size_t i = 0; i < p.Valeurs.size(); ++i) {
        uint32_t v = 0;
        for (std::size_t k = 0; k < 4; ++k) v |= uint32_t(b[4 * i + k]) << (8 * k);
        p.Valeurs[i] = int32_t(v);
    }
}

void EnregistrerBlocs(const std::filesystem::path &chemin,
                      const std::vector<const TProfil *> &profils) {
    Fichier f(chemin, Fichier::Mode::Ecriture);
    for (const TProfil *p : profils) {
        const BlocProfil b = EncoderBloc(*p);
        f.Ecrire(b.data(), b.size());
    }
    f.Fermer();
}

void LireBloc(Fichier &f, TProfil &p) {
    BlocProfil b;
    const std::size_t n = f.LireAuPlus(b.data(), b.size());
    DecoderBloc(b.data(), n, p);
    if (n < b.size()) throw ErreurFichier(ErreurFichier::FinDeFichier);
}

bool LireBlocEntier(Fichier &f, TProfil &p) {
    BlocProfil b;
    if (f.LireAuPlus(b.data(), b.size()) < b.size()) return false;
    DecoderBloc(b.data(), b.size(), p);
    return true;
}

} // namespace velmora
