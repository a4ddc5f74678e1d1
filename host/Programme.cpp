#include "Programme.h"

#include "ChargeurPlugin.h"
#include "FenetreHote.h"
#include "ImageHote.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QSet>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace velmora::hote {
namespace {

enum Sortie { Reussite = 0, EchecFichier = 1, EchecUsage = 2 };

const char Usage[] =
    "Usage : velmora-host [--plugin MODULE] --info\n"
    "        velmora-host [--plugin MODULE] --apply N ENTREE SORTIE\n"
    "        velmora-host [--plugin MODULE] [IMAGE]\n"
    "\n"
    "  --info               identité et menu du module\n"
    "  --apply N E S        applique l'opération N du menu à l'image E, écrit S\n"
    "                       (format d'après l'extension) si un résultat est retenu\n"
    "  IMAGE                ouvre la fenêtre sur cette image (sans argument : fenêtre vide)\n"
    "  --plugin MODULE      module à charger (par défaut : velmora.so à côté du programme)\n";

void Ecrire(std::FILE *f, const QString &ligne) {
    std::fputs(ligne.toUtf8().constData(), f);
    std::fputc('\n', f);
    std::fflush(f);
}
void Erreur(const QString &message) { Ecrire(stderr, QStringLiteral("velmora-host : ") + message); }

struct Commande {
    enum Mode { Fenetre, Info, Appliquer, Aide } mode = Fenetre;
    QString plugin;
    QStringList arguments; // --apply: N, ENTREE, SORTIE; window: IMAGE or nothing
};

// Parsed before any Qt application exists: the platform depends on the mode.
std::optional<Commande> Analyser(const QStringList &args, QString *erreur) {
    Commande c;
    bool modeVu = false;
    bool pluginDonne = false;
    auto choisir = [&](Commande::Mode m) {
        if (modeVu) {
            *erreur = QStringLiteral("--info, --apply et une image s'excluent");
            return false;
        }
        modeVu = true;
        c.mode = m;
        return true;
    };
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--plugin")) {
            if (i + 1 >= args.size()) {
                *erreur = QStringLiteral("--plugin attend un chemin");
                return std::nullopt;
            }
            c.plugin = args[++i];
            pluginDonne = true;
        } else if (a.startsWith(QLatin1String("--plugin="))) {
            c.plugin = a.mid(9);
            pluginDonne = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            c.mode = Commande::Aide;
            return c;
        } else if (a == QLatin1String("--info")) {
            if (!choisir(Commande::Info)) return std::nullopt;
        } else if (a == QLatin1String("--apply")) {
            if (!choisir(Commande::Appliquer)) return std::nullopt;
            if (i + 3 >= args.size()) {
                *erreur = QStringLiteral("--apply attend N ENTREE SORTIE");
                return std::nullopt;
            }
            c.arguments = args.mid(i + 1, 3);
            i += 3;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            *erreur = QStringLiteral("option inconnue : %1").arg(a);
            return std::nullopt;
        } else {
            if (!choisir(Commande::Fenetre)) return std::nullopt;
            c.arguments << a;
        }
    }
    if (pluginDonne && c.plugin.isEmpty()) {
        *erreur = QStringLiteral("--plugin attend un chemin");
        return std::nullopt;
    }
    return c;
}

QtMessageHandler gestionnaireQt = nullptr;

// Qt's notice about a missing runtime directory speaks of the environment, not
// of the command; it would drown the one line a failure prints.
void FiltrerMessages(QtMsgType type, const QMessageLogContext &contexte, const QString &message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    if (gestionnaireQt) gestionnaireQt(type, contexte, message);
}

bool SansAffichage() {
    return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool PlateformeInvisible() {
    const QString p = QGuiApplication::platformName();
    return p == QLatin1String("offscreen") || p == QLatin1String("minimal");
}

int Informer(const ChargeurPlugin &plugin) {
    Ecrire(stdout, QStringLiteral("Titre : %1").arg(plugin.Titre()));
    Ecrire(stdout, QStringLiteral("Version : %1.%2").arg(plugin.Majeur()).arg(plugin.Mineur()));
    Ecrire(stdout, QStringLiteral("Catégorie : %1").arg(plugin.Categorie()));
    Ecrire(stdout, QStringLiteral("Menu :"));
    for (int n = 1; n <= plugin.NbOperations(); ++n)
        Ecrire(stdout, QStringLiteral("  %1. %2").arg(n).arg(plugin.Menu().at(n - 1)));
    return Reussite;
}

// Nobody can answer a plug-in window on an invisible screen: close it without
// applying, rather than wait for ever.
void FermerFenetresPlugin() {
    static QSet<QWidget *> signalees; // one line per window, however often it is tried
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (!w->isVisible()) continue;
        if (!signalees.contains(w)) {
            signalees.insert(w);
            Erreur(QStringLiteral("pas d'affichage : « %1 » est fermé sans être appliqué")
                       .arg(w->windowTitle()));
        }
        if (auto *d = qobject_cast<QDialog *>(w))
            d->reject();
        else
            w->close();
    }
}

bool FenetrePluginOuverte() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible()) return true;
    return false;
}

int Appliquer(ChargeurPlugin &plugin, const QStringList &args) {
    const QString &texteN = args[0], &entree = args[1], &sortie = args[2];
    bool ok = false;
    const uint n = texteN.toUInt(&ok);
    if (!ok || n < 1 || n > uint(plugin.NbOperations())) {
        Erreur(QStringLiteral("numéro d'opération invalide : « %1 » (de 1 à %2)")
                   .arg(texteN)
                   .arg(plugin.NbOperations()));
        return EchecUsage;
    }
    // Checked before the operation runs, so that no dialog is answered in vain.
    if (!FormatEcritureConnu(sortie)) {
        QString erreur;
        EcrireImage(QImage(), sortie, &erreur);
        Erreur(erreur);
        return EchecFichier;
    }
    QString erreur;
    const QImage image = LireImage(entree, &erreur);
    if (image.isNull()) {
        Erreur(erreur);
        return EchecFichier;
    }
    ImageHote hote = VersPixels(image);
    if (hote.Vide()) {
        Erreur(QStringLiteral("Image inutilisable : %1").arg(entree));
        return EchecFichier;
    }

    std::optional<QTimer> fermeture;
    if (PlateformeInvisible()) {
        fermeture.emplace();
        QObject::connect(&*fermeture, &QTimer::timeout, &FermerFenetresPlugin);
        fermeture->start(50);
    }
    plugin.Executer(n, hote.pixels.data(), hote.largeur, hote.hauteur);
    if (plugin.FinAttendue()) {
        // A plug-in window stays open after the call: serve it until it ends.
        QEventLoop boucle;
        QTimer veille;
        QObject::connect(&veille, &QTimer::timeout, [&] {
            if (plugin.FinRecue() || !FenetrePluginOuverte()) boucle.quit();
        });
        veille.start(50);
        boucle.exec();
    }
    fermeture.reset();

    const QString libelle = plugin.Menu().at(int(n) - 1);
    if (!plugin.ResultatRetenu()) {
        Ecrire(stdout, QStringLiteral("Opération %1 « %2 » : aucune modification, rien n'est écrit")
                           .arg(n)
                           .arg(libelle));
        return Reussite;
    }
    if (!EcrireImage(VersQImage(hote), sortie, &erreur)) {
        Erreur(erreur);
        return EchecFichier;
    }
    Ecrire(stdout, QStringLiteral("Opération %1 « %2 » appliquée : %3").arg(n).arg(libelle, sortie));
    return Reussite;
}

} // namespace

int Principal(int argc, char **argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    QString erreur;
    const std::optional<Commande> commande = Analyser(args, &erreur);
    if (!commande) {
        Erreur(erreur);
        std::fputs(Usage, stderr);
        return EchecUsage;
    }
    if (commande->mode == Commande::Aide) {
        std::fputs(Usage, stdout);
        return Reussite;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && SansAffichage()) {
        if (commande->mode == Commande::Fenetre) {
            Erreur(QStringLiteral("pas d'affichage (DISPLAY et WAYLAND_DISPLAY sont vides) : "
                                  "la fenêtre ne peut pas s'ouvrir ; voir --apply"));
            return EchecUsage;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    // Qt would read our own options (it knows one called --plugin): give it none.
    int argcQt = 1;
    char *argvQt[] = {argv[0], nullptr};
    gestionnaireQt = qInstallMessageHandler(&FiltrerMessages);
    QApplication app(argcQt, argvQt);
    QApplication::setApplicationName(QStringLiteral("velmora-host"));

    ChargeurPlugin plugin;
    const QString chemin =
        commande->plugin.isEmpty() ? ChargeurPlugin::CheminParDefaut() : commande->plugin;
    if (!plugin.Charger(chemin)) {
        Erreur(plugin.Erreur());
        return EchecFichier;
    }

    switch (commande->mode) {
    case Commande::Info: return Informer(plugin);
    case Commande::Appliquer: return Appliquer(plugin, commande->arguments);
    default: break;
    }

    FenetreHote fenetre(plugin);
    if (!commande->arguments.isEmpty() && !fenetre.Ouvrir(commande->arguments[0], &erreur)) {
        Erreur(erreur);
        return EchecFichier;
    }
    fenetre.show();
    return app.exec();
}

} // namespace velmora::hote
