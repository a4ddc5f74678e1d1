#include "Pont.h"

#include "FenetreZones.h"

#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace velmora::gimp {
namespace {

constexpr Procedure Procedures[NbProcedures] = {
    {"plug-in-velmora-inversion", "Invert the colours (negative)", true},
    {"plug-in-velmora-lgcs", "Adjust luminosity, gamma, contrast and saturation", false},
    {"plug-in-velmora-profils-gamma", "Adjust the tones with four gamma curves", false},
    {"plug-in-velmora-luminosite", "Adjust the brightness with a curve, keeping hues", false},
    {"plug-in-velmora-auto-luminosite", "Adjust the luminosity levels automatically", true},
    {"plug-in-velmora-auto-couleurs", "Adjust the levels of each channel automatically", true},
    {"plug-in-velmora-equilibrage", "Balance the colours from reference zones", false},
    {"plug-in-velmora-grain", "Add random spots or film grain", false},
    {"plug-in-velmora-monochrome", "Make a toned monochrome image", false},
};

uint64_t fenetreHote = 0;

// The region's R G B (A) bytes as the plug-in's pixels, and back (alpha as it was).
void VersPixels(const Region &r, TPtImg *pixels) {
    const uint8_t *s = r.octets.data();
    const std::size_t n = std::size_t(r.largeur) * std::size_t(r.hauteur);
    for (std::size_t i = 0; i < n; ++i, s += r.canaux) pixels[i] = {s[2], s[1], s[0]};
}
std::vector<uint8_t> VersOctets(const Region &r, const TPtImg *pixels) {
    std::vector<uint8_t> o = r.octets;
    uint8_t *d = o.data();
    const std::size_t n = std::size_t(r.largeur) * std::size_t(r.hauteur);
    for (std::size_t i = 0; i < n; ++i, d += r.canaux) {
        d[0] = pixels[i].Rouge;
        d[1] = pixels[i].Vert;
        d[2] = pixels[i].Bleu;
    }
    return o;
}

// Makes each window of this process a transient of the host's window when it
// first shows, so that the window manager keeps it over the host's window.
class Transients : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *objet, QEvent *evenement) override {
        // Window ids mean something only to the X11 platform.
        if (evenement->type() != QEvent::Show || !fenetreHote ||
            QGuiApplication::platformName() != QLatin1String("xcb"))
            return false;
        auto *w = qobject_cast<QWidget *>(objet);
        QWindow *fenetre = w && w->isWindow() ? w->windowHandle() : nullptr;
        if (fenetre && !fenetre->transientParent()) {
            if (!hote_ || hote_->winId() != WId(fenetreHote))
                hote_ = QWindow::fromWinId(WId(fenetreHote));
            fenetre->setTransientParent(hote_);
        }
        return false;
    }

private:
    QPointer<QWindow> hote_;
};

// From the application object's constructor on, whoever makes it (the
// plug-in's back end, when its first dialog opens).
void SurveillerFenetres() {
    QCoreApplication::instance()->installEventFilter(new Transients(QCoreApplication::instance()));
}

} // namespace

void Pont::DefinirFenetreHote(uint64_t idNatif) {
    fenetreHote = idNatif;
    static bool inscrit = false;
    if (!idNatif || inscrit) return;
    inscrit = true;
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        SurveillerFenetres();
    else
        qAddPreRoutine(&SurveillerFenetres);
}

const Procedure &ProcedureNumero(int operation) {
    return Procedures[std::clamp(operation, 1, NbProcedures) - 1];
}

// One run: the plug-in's array, the notices it sends, the zone window.
class Pont::Session {
public:
    Session(hote::ChargeurPlugin &chargeur, int operation, const Region &region, ICalque &calque)
        : chargeur_(chargeur), operation_(operation), region_(region), calque_(calque) {
        const std::size_t n = std::size_t(region.largeur) * std::size_t(region.hauteur);
        pixels_ = TPtsImg::Creer(int32_t(n));
        VersPixels(region, pixels_.data());
        // The zones are measured on the pixels as the run found them: the
        // plug-in corrects from its own copy of them.
        avant_.assign(pixels_.begin(), pixels_.end());
    }

    ~Session() { delete fenetre_.data(); }

    Issue Executer(bool directe, const std::string *reglages) {
        chargeur_.DefinirEcouteur([this](const hote::Avis &a) { Recevoir(a); });
        // Settings that no longer read (a profile since deleted) open the
        // dialog at its defaults instead.
        if (!reglages || !chargeur_.Ouvrir(uint32_t(operation_), QByteArray::fromStdString(*reglages),
                                           pixels_.data(), region_.largeur, region_.hauteur,
                                           nullptr))
            chargeur_.Executer(uint32_t(operation_), pixels_.data(), region_.largeur,
                               region_.hauteur);
        if (chargeur_.FinAttendue() && !fin_) {
            // A window of the plug-in stays open (the colour balance): serve
            // it and ours until its final notice.
            QEventLoop boucle;
            boucle_ = &boucle;
            boucle.exec();
            boucle_ = nullptr;
        }
        chargeur_.DefinirEcouteur({});
        delete fenetre_.data();

        Issue issue;
        if (chargeur_.NbAvis() == 0 && !directe) {
            issue.statut = Issue::ErreurExecution;
            issue.message =
                "Velmora : le dialogue n'a pas pu s'ouvrir (aucun affichage disponible)";
            return issue;
        }
        if (fin_ && resultat_) {
            calque_.Valider(Octets());
            issue.modifie = true;
        } else if (montre_) {
            // No result stands: the last attempt shown goes.
            calque_.Remettre();
        }
        return issue;
    }

private:
    // The plug-in's array as R G B (A) bytes, alpha as it was.
    std::vector<uint8_t> Octets() const { return VersOctets(region_, pixels_.data()); }

    QImage Apercu() const {
        QImage image(region_.largeur, region_.hauteur, QImage::Format_RGB888);
        for (int y = 0; y < region_.hauteur; ++y) {
            uchar *ligne = image.scanLine(y);
            const TPtImg *p = pixels_.data() + std::size_t(y) * region_.largeur;
            for (int x = 0; x < region_.largeur; ++x, ++p, ligne += 3) {
                ligne[0] = p->Rouge;
                ligne[1] = p->Vert;
                ligne[2] = p->Bleu;
            }
        }
        return image;
    }

    void Recevoir(const hote::Avis &avis) {
        if (avis.fin) {
            fin_ = true;
            resultat_ = avis.imageModifiee;
            if (boucle_) boucle_->quit();
            return;
        }
        if (avis.demandeZone) {
            OuvrirFenetre();
            return;
        }
        // The plug-in rewrote our array while its window stays open: a result
        // to see, or the pixels of the opening put back.
        calque_.Montrer(Octets());
        montre_ = true;
        if (fenetre_) fenetre_->DefinirImage(Apercu());
    }

    void OuvrirFenetre() {
        if (fenetre_) {
            fenetre_->show();
            fenetre_->raise();
            return;
        }
        // The plug-in's dialog made the application object; a host that got
        // here without one makes it (argc and argv must outlive it).
        if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
            if (QCoreApplication::instance()) return;
            static int argc = 1;
            static char nom[] = "velmora-gimp";
            static char *argv[] = {nom, nullptr};
            new QApplication(argc, argv);
        }
        const QStringList &menu = chargeur_.Menu();
        const QString titre = operation_ <= menu.size() ? menu.at(operation_ - 1) : QString();
        fenetre_ = new FenetreZones(QStringLiteral("Velmora : %1 – zones de référence").arg(titre));
        fenetre_->DefinirImage(Apercu());
        QObject::connect(fenetre_.data(), &FenetreZones::ZoneChoisie,
                         [this](QRect r, Qt::KeyboardModifiers) { EnvoyerZone(r); });
        fenetre_->show();
    }

    void EnvoyerZone(QRect pixels) {
        const QRect zone = pixels & QRect(0, 0, region_.largeur, region_.hauteur);
        if (zone.isEmpty() || fin_) return;
        TPtsImg pixelsZone = TPtsImg::Creer(zone.width() * zone.height());
        for (int y = 0; y < zone.height(); ++y)
            std::copy_n(avant_.data() + std::size_t(zone.top() + y) * region_.largeur + zone.left(),
                        zone.width(), pixelsZone.data() + std::size_t(y) * zone.width());
        // With Ctrl or without, the plug-in knows which of its zones it waits for.
        chargeur_.EnvoyerZone(uint32_t(operation_), pixelsZone.data(), zone.width(), zone.height(),
                              pixels_.data(), &zone);
    }

    hote::ChargeurPlugin &chargeur_;
    const int operation_;
    const Region &region_;
    ICalque &calque_;
    TPtsImg pixels_;
    std::vector<TPtImg> avant_;
    QPointer<FenetreZones> fenetre_;
    QEventLoop *boucle_ = nullptr;
    bool montre_ = false;
    bool fin_ = false;
    bool resultat_ = false;
};

Pont::Pont() = default;
Pont::~Pont() = default;

bool Pont::Charger(const std::string &chemin) {
    const QString c =
        chemin.empty() ? hote::ChargeurPlugin::CheminParDefaut() : QString::fromStdString(chemin);
    if (chargeur_.Charger(c) && chargeur_.NbOperations() >= NbProcedures) return true;
    erreur_ = chargeur_.Charge()
                  ? "Velmora : le module « " + c.toStdString() + " » n'a pas les neuf opérations"
                  : chargeur_.Erreur().toStdString();
    return false;
}

std::vector<std::string> Pont::Menu() const {
    std::vector<std::string> m;
    for (const QString &s : chargeur_.Menu()) m.push_back(s.toStdString());
    return m;
}

namespace {

int32_t NbChamps(const hote::ChargeurPlugin &c, int operation) {
    return c.Entree() ? c.Entree()->NbChamps(uint32_t(operation)) : -1;
}

std::vector<std::string> Decouper(const std::string &texte, char separateur) {
    std::vector<std::string> parties;
    std::size_t debut = 0;
    for (;;) {
        const std::size_t fin = texte.find(separateur, debut);
        parties.push_back(texte.substr(debut, fin == std::string::npos ? fin : fin - debut));
        if (fin == std::string::npos) return parties;
        debut = fin + 1;
    }
}

} // namespace

std::vector<Argument> Pont::Arguments(int operation) const {
    std::vector<Argument> a;
    const int32_t nb = NbChamps(chargeur_, operation);
    for (int32_t i = 0; i < nb; ++i) {
        const VelmoraChamp *c = chargeur_.Entree()->Champ(uint32_t(operation), i);
        if (!c) continue;
        const std::string nom = c->nom, libelle = c->libelle, defaut = c->defaut ? c->defaut : "";
        switch (c->genre) {
        case VELMORA_ENTIER:
            // GIMP's integers are 32-bit: a wider range (the grain's seed) is cut to theirs.
            a.push_back({nom, libelle, Argument::Entier, std::max(c->mini, double(INT32_MIN)),
                         std::min(c->maxi, double(INT32_MAX)), defaut});
            break;
        case VELMORA_REEL: a.push_back({nom, libelle, Argument::Reel, c->mini, c->maxi, defaut}); break;
        case VELMORA_CHOIX: {
            std::string choix = c->choix ? c->choix : "";
            std::replace(choix.begin(), choix.end(), '|', ',');
            a.push_back({nom, libelle + " (" + choix + ")", Argument::Texte, 0, 0, defaut});
            break;
        }
        case VELMORA_FICHIER: a.push_back({nom, libelle, Argument::Fichier, 0, 0, defaut}); break;
        case VELMORA_ENTIERS:
            a.push_back({nom, libelle + " (" + std::to_string(c->nombre) + " entiers, ',' entre eux)",
                         Argument::Texte, 0, 0, defaut});
            break;
        case VELMORA_COULEUR: a.push_back({nom, libelle + " ($RRVVBB)", Argument::Texte, 0, 0, defaut}); break;
        case VELMORA_POINT: {
            const std::vector<std::string> d = Decouper(defaut, ',');
            for (int k = 0; k < 2; ++k)
                a.push_back({nom + (k ? "-y" : "-x"), libelle, Argument::Entier, c->mini, c->maxi,
                             d.size() == 2 ? d[std::size_t(k)] : "0"});
            break;
        }
        case VELMORA_RECTANGLE: {
            static const char *const suffixes[] = {"-x", "-y", "-largeur", "-hauteur"};
            for (int k = 0; k < 4; ++k)
                a.push_back({nom + suffixes[k], libelle + (k >= 2 ? " (0 : aucune)" : ""),
                             Argument::Entier, 0, 262144, "0"});
            break;
        }
        default:  // a kind this bridge does not know: its text
            a.push_back({nom, libelle, Argument::Texte, 0, 0, defaut});
            break;
        }
    }
    return a;
}

std::string Pont::ReglagesDe(int operation, const std::vector<std::string> &valeurs, int32_t x,
                             int32_t y) const {
    std::string texte;
    std::size_t k = 0;
    auto valeur = [&]() { return k < valeurs.size() ? valeurs[k++] : std::string(); };
    const int32_t nb = NbChamps(chargeur_, operation);
    for (int32_t i = 0; i < nb; ++i) {
        const VelmoraChamp *c = chargeur_.Entree()->Champ(uint32_t(operation), i);
        if (!c) continue;
        std::string v;
        if (c->genre == VELMORA_RECTANGLE) {
            long r[4];
            for (long &n : r) n = std::strtol(valeur().c_str(), nullptr, 10);
            if (r[2] <= 0 || r[3] <= 0) continue; // none
            v = std::to_string(r[0] - x) + "," + std::to_string(r[1] - y) + "," +
                std::to_string(r[2]) + "," + std::to_string(r[3]);
        } else if (c->genre == VELMORA_POINT) {
            v = valeur();
            v += "," + valeur();
        } else {
            v = valeur();
            if (v.empty()) continue; // left to its default
        }
        texte += std::string(c->nom) + "=" + v + "\n";
    }
    return texte;
}

std::vector<std::string> Pont::ValeursDe(int operation, const std::string &reglages, int32_t x,
                                         int32_t y) const {
    std::vector<std::string> valeurs;
    const int32_t nb = NbChamps(chargeur_, operation);
    for (int32_t i = 0; i < nb; ++i) {
        const VelmoraChamp *c = chargeur_.Entree()->Champ(uint32_t(operation), i);
        if (!c) continue;
        std::string v = c->defaut ? c->defaut : "";
        for (const std::string &ligne : Decouper(reglages, '\n'))
            if (ligne.size() > std::strlen(c->nom) && ligne.compare(0, std::strlen(c->nom), c->nom) == 0 &&
                ligne[std::strlen(c->nom)] == '=')
                v = ligne.substr(std::strlen(c->nom) + 1);
        if (c->genre == VELMORA_RECTANGLE) {
            std::vector<std::string> r = Decouper(v, ',');
            if (r.size() != 4) r = {"0", "0", "0", "0"};
            else {
                r[0] = std::to_string(std::strtol(r[0].c_str(), nullptr, 10) + x);
                r[1] = std::to_string(std::strtol(r[1].c_str(), nullptr, 10) + y);
            }
            valeurs.insert(valeurs.end(), r.begin(), r.end());
        } else if (c->genre == VELMORA_POINT) {
            std::vector<std::string> p = Decouper(v, ',');
            if (p.size() != 2) p = {"0", "0"};
            valeurs.insert(valeurs.end(), p.begin(), p.end());
        } else {
            valeurs.push_back(v);
        }
    }
    return valeurs;
}

Issue Pont::Verifier(int operation, bool interactif, int32_t largeur, int32_t hauteur) const {
    Issue issue;
    if (operation < 1 || operation > NbProcedures || !chargeur_.Charge()) {
        issue.statut = Issue::ErreurAppel;
        issue.message = erreur_.empty() ? "Velmora : opération inconnue" : erreur_;
    } else if (!ProcedureNumero(operation).directe && !interactif &&
               NbChamps(chargeur_, operation) <= 0) {
        issue.statut = Issue::ErreurAppel;
        issue.message = "Velmora : « " + chargeur_.Menu().at(operation - 1).toStdString() +
                        " » ouvre un dialogue et ne s'exécute qu'en mode interactif";
    } else if (int64_t(largeur) * hauteur > INT32_MAX / int64_t(sizeof(TPtImg))) {
        // The plug-in's arrays count their bytes in 32 bits.
        issue.statut = Issue::ErreurExecution;
        issue.message = "Velmora : sélection trop grande pour le module";
    }
    return issue;
}

Issue Pont::Executer(int operation, const Region &region, ICalque &calque, bool interactif,
                     const std::string *reglages, std::string *appliques) {
    Issue issue = Verifier(operation, interactif, region.largeur, region.hauteur);
    if (issue.statut != Issue::Reussi || region.largeur <= 0 || region.hauteur <= 0) return issue;
    if ((region.canaux != 3 && region.canaux != 4) ||
        region.octets.size() != std::size_t(region.largeur) * std::size_t(region.hauteur) *
                                    std::size_t(region.canaux)) {
        issue.statut = Issue::ErreurExecution;
        issue.message = "Velmora : pixels du calque illisibles";
        return issue;
    }
    const bool parReglages = NbChamps(chargeur_, operation) > 0;
    if (!interactif && parReglages) {
        // The rule alone on a plain copy of the pixels: the layer changes only
        // when it succeeds.
        std::vector<TPtImg> pixels(std::size_t(region.largeur) * std::size_t(region.hauteur));
        VersPixels(region, pixels.data());
        char message[1024] = "";
        const int32_t code = chargeur_.Entree()->Appliquer(
            uint32_t(operation), reglages ? reglages->c_str() : "", pixels.data(), region.largeur,
            region.hauteur, message, int32_t(sizeof message));
        if (code != VELMORA_OK) {
            issue.statut = code == VELMORA_ERREUR_REGLAGES ? Issue::ErreurAppel : Issue::ErreurExecution;
            issue.message = std::string("Velmora : ") + message;
            return issue;
        }
        calque.Valider(VersOctets(region, pixels.data()));
        issue.modifie = true;
        if (appliques && reglages) *appliques = *reglages;
        return issue;
    }
    Session session(chargeur_, operation, region, calque);
    issue = session.Executer(ProcedureNumero(operation).directe, parReglages ? reglages : nullptr);
    if (issue.modifie && appliques && parReglages) {
        char texte[8192] = "";
        const int32_t n = chargeur_.Entree()->Appliques(uint32_t(operation), texte, int32_t(sizeof texte));
        if (n > 0 && n < int32_t(sizeof texte)) *appliques = texte;
    }
    return issue;
}

} // namespace velmora::gimp
