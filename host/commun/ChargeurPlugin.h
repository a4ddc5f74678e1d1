// Loads a Velmora plug-in with dlopen and drives it through its four exports.
// The command line and the window both go through this class: it holds the
// plug-in's identity and menu, and turns the C callback into Avis notices.
#pragma once

#include <velmora/plugin.h>
#include <velmora/reglages.h>

#include <velmora/memoire.h>

#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace velmora::hote {

// Plug-in texts are Windows-1252 bytes.
QString DecoderWindows1252(const char *texte);

// One call of the host callback, decoded.
struct Avis {
    int32_t largeur = 0;
    int32_t hauteur = 0;
    bool demandeZone = false;   // the colour balance waits for a reference zone
    bool imageModifiee = false; // a result stands in the host's pixels
    bool fin = false;           // the operation has ended
};

// The four entry points. Resolved from the library, or given directly by a
// test that plays the plug-in inside the process.
struct PointsEntree {
    using FnAdrRetour = void(VELMORA_APPEL *)(void *, void *);
    using FnPrmDLL = const char *(VELMORA_APPEL *)(int32_t *, int32_t *, const char **);
    using FnAddMenu = const char *(VELMORA_APPEL *)(int32_t *);
    using FnXchgData = void(VELMORA_APPEL *)(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                                             int32_t, int32_t, uint32_t, uint32_t, TPtImg *,
                                             TPtImg *, uint32_t, uint32_t);
    FnAdrRetour adrRetour = nullptr;
    FnPrmDLL prmDLL = nullptr;
    FnAddMenu addMenu = nullptr;
    FnXchgData xchgData = nullptr;
};

class ChargeurPlugin {
public:
    using Ecouteur = std::function<void(const Avis &)>;

    ChargeurPlugin() = default;
    // The library stays loaded: a dialog may still hold the host's pixels, and
    // Qt may still refer to the plug-in's widget classes until the process ends.
    ~ChargeurPlugin();
    ChargeurPlugin(const ChargeurPlugin &) = delete;
    ChargeurPlugin &operator=(const ChargeurPlugin &) = delete;

    // velmora.so beside the running program, else the installed one
    // (<libdir>/velmora/velmora.so of the build's install prefix).
    static QString CheminParDefaut();

    // dlopen, resolve, then identity, menu and callback in the expected order.
    // On failure returns false and Erreur() says why, in one line.
    bool Charger(const QString &chemin);
    bool Initialiser(const PointsEntree &points);

    bool Charge() const { return charge_; }
    // The entry points as resolved, for callers that drive them directly (tests).
    const PointsEntree &Points() const { return points_; }
    const QString &Erreur() const { return erreur_; }
    const QString &Chemin() const { return chemin_; }
    int32_t Majeur() const { return majeur_; }
    int32_t Mineur() const { return mineur_; }
    const QString &Categorie() const { return categorie_; }
    const QString &Titre() const { return titre_; }
    // Captions of operations 1..NbOperations(), at index 0..NbOperations()-1.
    const QStringList &Menu() const { return menu_; }
    int NbOperations() const { return int(menu_.size()); }

    // Receives every callback; may be replaced or cleared (empty function).
    void DefinirEcouteur(Ecouteur ecouteur) { ecouteur_ = std::move(ecouteur); }

    // Runs an operation on a counted array of largeur x hauteur pixels owned by
    // the caller (mode 0). Returns false without calling the plug-in when the
    // array does not hold exactly largeur x hauteur pixels or none is loaded.
    // Notices reach the listener while this runs, and later for dialogs that
    // stay open.
    bool Executer(uint32_t operation, TPtImg *pixels, int32_t largeur, int32_t hauteur);

    // The settings entry (velmora/reglages.h), or null when the library has none.
    const VelmoraEntree *Entree() const { return entree_; }
    // As Executer, the dialog opening on the given settings text. False with
    // the plug-in's message in *erreur when it refuses them.
    bool Ouvrir(uint32_t operation, const QByteArray &reglages, TPtImg *pixels, int32_t largeur,
                int32_t hauteur, QString *erreur);
    // Mode 1, for an operation that asked for a zone (the colour balance): the
    // zone's pixels (largeur x hauteur, a counted array) and the whole image,
    // which the plug-in writes. Its notices go on reaching the listener. With
    // the zone's rectangle in the image, a plug-in with the settings entry gets
    // the rectangle instead, and keeps it for its settings.
    bool EnvoyerZone(uint32_t operation, TPtImg *zone, int32_t largeur, int32_t hauteur,
                     TPtImg *image, const QRect *rectangle = nullptr);

    // Notices received since the last Executer began.
    int NbAvis() const { return nbAvis_; }
    bool FinRecue() const { return finRecue_; }
    const Avis &DernierAvis() const { return dernier_; }
    // The final notice came and says that a result stands.
    bool ResultatRetenu() const { return finRecue_ && resultat_; }
    // After Executer: the plug-in has spoken but not ended, so one of its
    // windows stays open and the final notice will come later. An operation
    // that returns without any notice has done nothing.
    bool FinAttendue() const { return nbAvis_ > 0 && !finRecue_; }

private:
    static void VELMORA_APPEL Retour(void *contexte, int32_t largeur, int32_t hauteur,
                                     int32_t reserve1, int32_t reserve2, int32_t demandeZone,
                                     int32_t zero, int32_t imageModifiee, int32_t fin);
    void Recevoir(const Avis &avis);
    void Inscrire();
    bool Echec(const QString &message);

    void *bibliotheque_ = nullptr;
    // A run's start: the pixels a counted array of that size, the notices
    // counted afresh, the callbacks this loader's.
    bool Preparer(TPtImg *pixels, int32_t largeur, int32_t hauteur);
    PointsEntree points_;
    const VelmoraEntree *entree_ = nullptr;
    bool charge_ = false;
    QString erreur_;
    QString chemin_;
    int32_t majeur_ = 0;
    int32_t mineur_ = 0;
    QString categorie_;
    QString titre_;
    QStringList menu_;
    Ecouteur ecouteur_;
    int nbAvis_ = 0;
    bool finRecue_ = false;
    bool resultat_ = false;
    Avis dernier_;
};

} // namespace velmora::hote
