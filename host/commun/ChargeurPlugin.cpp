#include "ChargeurPlugin.h"

#include <velmora/windows1252.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <dlfcn.h>

#include <map>

namespace velmora::hote {
namespace {

// More entries than this is not a menu but a damaged library.
constexpr int32_t MaxOperations = 255;

// Which loader each library's callback currently reaches (one per AdrRetour).
// Never destroyed: a loader with static lifetime, made before it, is destroyed
// after it at exit and still looks itself up.
std::map<PointsEntree::FnAdrRetour, const ChargeurPlugin *> &Inscrits() {
    static auto *m = new std::map<PointsEntree::FnAdrRetour, const ChargeurPlugin *>;
    return *m;
}

} // namespace

QString DecoderWindows1252(const char *texte) {
    return texte ? QString::fromStdString(w1252::VersUtf8(texte)) : QString();
}

ChargeurPlugin::~ChargeurPlugin() {
    // A modeless dialog could still call back: make sure it cannot reach us.
    if (!charge_) return;
    auto i = Inscrits().find(points_.adrRetour);
    if (i != Inscrits().end() && i->second == this) {
        points_.adrRetour(nullptr, nullptr);
        Inscrits().erase(i);
    }
}

void ChargeurPlugin::Inscrire() {
    points_.adrRetour(reinterpret_cast<void *>(&ChargeurPlugin::Retour), this);
    Inscrits()[points_.adrRetour] = this;
}

QString ChargeurPlugin::CheminParDefaut() {
    QString dossier = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                    : QString();
    if (dossier.isEmpty()) dossier = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    const QString voisin = QDir(dossier).filePath(QStringLiteral("velmora.so"));
    // A copy beside the program wins (a build folder, a user's own GIMP
    // folder); else the one installed for every program of the system.
#ifdef VELMORA_MODULE_INSTALLE
    const QString installe = QStringLiteral(VELMORA_MODULE_INSTALLE);
    if (!QFileInfo::exists(voisin) && QFileInfo::exists(installe)) return installe;
#endif
    return voisin;
}

bool ChargeurPlugin::Echec(const QString &message) {
    erreur_ = message;
    charge_ = false;
    return false;
}

bool ChargeurPlugin::Charger(const QString &chemin) {
    // An absolute path, so that "velmora.so" means that file and not a search.
    const QFileInfo info(chemin);
    chemin_ = info.absoluteFilePath();
    if (!info.exists())
        return Echec(QStringLiteral("Module introuvable : %1").arg(chemin_));
    dlerror();
    void *b = dlopen(QFile::encodeName(chemin_).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!b) {
        const char *raison = dlerror();
        return Echec(QStringLiteral("Impossible de charger le module « %1 » : %2")
                         .arg(chemin_, QString::fromLocal8Bit(raison ? raison : "")));
    }
    PointsEntree p;
    const char *manquant = nullptr;
    auto resoudre = [&](const char *nom) -> void * {
        void *f = dlsym(b, nom);
        if (!f && !manquant) manquant = nom;
        return f;
    };
    p.adrRetour = reinterpret_cast<PointsEntree::FnAdrRetour>(resoudre("AdrRetour"));
    p.prmDLL = reinterpret_cast<PointsEntree::FnPrmDLL>(resoudre("PrmDLL"));
    p.addMenu = reinterpret_cast<PointsEntree::FnAddMenu>(resoudre("AddMenu"));
    p.xchgData = reinterpret_cast<PointsEntree::FnXchgData>(resoudre("XchgData"));
    if (manquant) {
        dlclose(b); // none of its code has been called
        return Echec(QStringLiteral("Le module « %1 » n'exporte pas « %2 »")
                         .arg(chemin_, QString::fromLatin1(manquant)));
    }
    bibliotheque_ = b;
    // Optional: a plug-in of this kind may offer the four exports only.
    if (auto f = reinterpret_cast<VelmoraInterfaceFn>(dlsym(b, "VelmoraInterface"))) {
        const VelmoraEntree *e = f(VELMORA_ENTREE_VERSION);
        if (e && e->version >= 1 && e->taille >= sizeof(VelmoraEntree)) entree_ = e;
    }
    return Initialiser(p);
}

bool ChargeurPlugin::Initialiser(const PointsEntree &points) {
    if (!points.adrRetour || !points.prmDLL || !points.addMenu || !points.xchgData)
        return Echec(QStringLiteral("Point d'entrée manquant"));
    points_ = points;
    if (chemin_.isEmpty()) chemin_ = QStringLiteral("(interne)");

    int32_t majeur = -1, mineur = -1;
    const char *categorie = nullptr;
    const char *titre = points_.prmDLL(&majeur, &mineur, &categorie);
    if (!titre || majeur < 0 || mineur < 0 || !categorie)
        return Echec(QStringLiteral("Le module « %1 » ne donne pas son identité").arg(chemin_));
    majeur_ = majeur;
    mineur_ = mineur;
    titre_ = DecoderWindows1252(titre);

    int32_t nb = 0;
    const char *categorieMenu = points_.addMenu(&nb);
    if (nb < 1 || nb > MaxOperations)
        return Echec(QStringLiteral("Le module « %1 » annonce un menu invalide (%2 entrées)")
                         .arg(chemin_)
                         .arg(nb));
    // The menu's own category is the one to show; PrmDLL's is the fallback.
    categorie_ = DecoderWindows1252(categorieMenu ? categorieMenu : categorie);
    menu_.clear();
    for (int32_t i = 1; i <= nb; ++i) {
        int32_t index = i;
        menu_.append(DecoderWindows1252(points_.addMenu(&index)));
    }

    Inscrire();
    erreur_.clear();
    charge_ = true;
    return true;
}

bool ChargeurPlugin::Preparer(TPtImg *pixels, int32_t largeur, int32_t hauteur) {
    if (!charge_ || !pixels || largeur <= 0 || hauteur <= 0 ||
        int64_t(largeur) * hauteur != tableau::Compte(pixels))
        return false;
    nbAvis_ = 0;
    finRecue_ = false;
    resultat_ = false;
    dernier_ = Avis{};
    // Registered again: several loaders may share the one loaded library, and
    // the callbacks belong to the one that runs the operation.
    Inscrire();
    return true;
}

bool ChargeurPlugin::Ouvrir(uint32_t operation, const QByteArray &reglages, TPtImg *pixels,
                            int32_t largeur, int32_t hauteur, QString *erreur) {
    if (!entree_) {
        if (erreur) *erreur = QStringLiteral("le module n'accepte pas de réglages");
        return false;
    }
    if (!Preparer(pixels, largeur, hauteur)) return false;
    char message[512] = "";
    const int32_t code = entree_->Ouvrir(operation, reglages.constData(), pixels, largeur, hauteur,
                                         message, int32_t(sizeof message));
    if (code != VELMORA_OK) {
        if (erreur) *erreur = QString::fromUtf8(message);
        return false;
    }
    return true;
}

bool ChargeurPlugin::Executer(uint32_t operation, TPtImg *pixels, int32_t largeur,
                              int32_t hauteur) {
    if (!Preparer(pixels, largeur, hauteur)) return false;
    points_.xchgData(operation, 0, 0, 0, 0, largeur, hauteur, 0, 0, pixels, nullptr, 0, 0);
    return true;
}

bool ChargeurPlugin::EnvoyerZone(uint32_t operation, TPtImg *zone, int32_t largeur,
                                 int32_t hauteur, TPtImg *image, const QRect *rectangle) {
    if (!charge_ || !zone || !image) return false;
    // The rectangle through the settings entry: the plug-in then knows where
    // the zone lies and can give the settings back for a repeat. It cuts the
    // same pixels from its copy of the opening's image.
    if (rectangle && entree_ && operation == 7) {
        char message[256] = "";
        if (entree_->Zone(rectangle->x(), rectangle->y(), rectangle->width(), rectangle->height(),
                          image, message, int32_t(sizeof message)) == VELMORA_OK)
            return true;
    }
    points_.xchgData(operation, 0, 0, 0, 0, largeur, hauteur, 1, 0, zone, image, 0, 0);
    return true;
}

void VELMORA_APPEL ChargeurPlugin::Retour(void *contexte, int32_t largeur, int32_t hauteur,
                                          int32_t, int32_t, int32_t demandeZone, int32_t,
                                          int32_t imageModifiee, int32_t fin) {
    if (!contexte) return;
    Avis a;
    a.largeur = largeur;
    a.hauteur = hauteur;
    a.demandeZone = demandeZone != 0;
    a.imageModifiee = (imageModifiee & 0xFF) != 0; // only the low byte is defined
    a.fin = fin != 0;
    static_cast<ChargeurPlugin *>(contexte)->Recevoir(a);
}

void ChargeurPlugin::Recevoir(const Avis &avis) {
    ++nbAvis_;
    dernier_ = avis;
    if (avis.fin) {
        finRecue_ = true;
        resultat_ = avis.imageModifiee;
    }
    // A copy: the listener may replace itself while it runs.
    if (ecouteur_) {
        const Ecouteur e = ecouteur_;
        e(avis);
    }
}

} // namespace velmora::hote
