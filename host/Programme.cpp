#include "Programme.h"

#include "ChaineLot.h"
#include "ChargeurPlugin.h"
#include "FenetreHote.h"
#include "ImageHote.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSet>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <cstring>
#include <optional>

#include <unistd.h>

namespace velmora::hote {
namespace {

enum Sortie { Reussite = 0, EchecFichier = 1, EchecUsage = 2 };

const char Usage[] =
    "Usage : velmora-host [--plugin MODULE] --info\n"
    "        velmora-host [--plugin MODULE] --apply N [-r NOM=VALEUR]... ENTREE SORTIE\n"
    "        velmora-host [--plugin MODULE] [-j TACHES] --apply N [-r NOM=VALEUR]...\n"
    "                     -o DOSSIER FICHIER...\n"
    "        velmora-host [--plugin MODULE] --reglages N\n"
    "        velmora-host [--plugin MODULE] [IMAGE]\n"
    "\n"
    "  --info               identité et menu du module\n"
    "  --apply N E S        applique l'opération N du menu à l'image E, écrit S\n"
    "                       (format d'après l'extension) si un résultat est retenu\n"
    "  --apply N -o D F...  applique l'opération N à chaque fichier F, écrit D/<nom>\n"
    "                       dans le format de l'entrée ; les autres continuent si l'un échoue\n"
    "  -r NOM=VALEUR        un réglage de l'opération (répétable ; aussi \"a=1;b=2\") ;\n"
    "                       sans lui, les valeurs de départ du dialogue ; --apply applique\n"
    "                       alors l'opération sans ouvrir son dialogue\n"
    "  --dialogue           avec --apply N E S : ouvre le dialogue de l'opération (sur les\n"
    "                       réglages -r s'il y en a) et écrit ce qu'il applique\n"
    "  --reglages N         les réglages de l'opération N : nom, valeurs admises, défaut\n"
    "  -j TACHES            fichiers lus et écrits à la fois par --apply N -o (par défaut :\n"
    "                       le nombre de cœurs) ; mêmes fichiers, même ordre qu'un à un\n"
    "  IMAGE                ouvre la fenêtre sur cette image (sans argument : fenêtre vide)\n"
#ifdef VELMORA_MODULE_INSTALLE
    "  --plugin MODULE      module à charger (par défaut : velmora.so à côté du programme,\n"
    "                       sinon " VELMORA_MODULE_INSTALLE ")\n";
#else
    "  --plugin MODULE      module à charger (par défaut : velmora.so à côté du programme)\n";
#endif

void Ecrire(std::FILE *f, const QString &ligne) {
    std::fputs(ligne.toUtf8().constData(), f);
    std::fputc('\n', f);
    std::fflush(f);
}
void Erreur(const QString &message) { Ecrire(stderr, QStringLiteral("velmora-host : ") + message); }

struct Commande {
    enum Mode { Fenetre, Info, Appliquer, Lot, Aide, Reglages } mode = Fenetre;
    QString plugin;
    int taches = 0; // -j: files read and written at once by a batch (0: one per core)
    // --apply: N, ENTREE, SORTIE; batch: N, DOSSIER, FICHIER...; window: IMAGE or nothing
    QStringList arguments;
    QStringList reglages; // -r: NOM=VALEUR items, in order
    bool reglagesDonnes = false;
    bool dialogue = false; // --dialogue: the operation's dialog, not its rule alone
};

// Parsed before any Qt application exists: the platform depends on the mode.
std::optional<Commande> Analyser(const QStringList &tous, QString *erreur) {
    Commande c;
    // The settings and --dialogue first, wherever they stand (between --apply N
    // and its files too).
    QStringList args;
    for (int i = 0; i < tous.size(); ++i) {
        if (i > 0 && (tous[i] == QLatin1String("-r") || tous[i] == QLatin1String("--reglage"))) {
            if (i + 1 >= tous.size()) {
                *erreur = QStringLiteral("%1 attend NOM=VALEUR").arg(tous[i]);
                return std::nullopt;
            }
            c.reglages << tous[++i];
            c.reglagesDonnes = true;
        } else if (i > 0 && tous[i] == QLatin1String("--dialogue")) {
            c.dialogue = true;
        } else {
            args << tous[i];
        }
    }
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
        } else if (a == QLatin1String("-j") || a == QLatin1String("--jobs")) {
            bool ok = false;
            const int t = i + 1 < args.size() ? args[i + 1].toInt(&ok) : 0;
            if (!ok || t < 1 || t > 64) {
                *erreur = QStringLiteral("-j attend un nombre de fichiers de 1 à 64");
                return std::nullopt;
            }
            c.taches = t;
            ++i;
        } else if (a == QLatin1String("--reglages")) {
            if (!choisir(Commande::Reglages)) return std::nullopt;
            if (i + 1 >= args.size()) {
                *erreur = QStringLiteral("--reglages attend un numéro d'opération");
                return std::nullopt;
            }
            c.arguments << args[++i];
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            c.mode = Commande::Aide;
            return c;
        } else if (a == QLatin1String("--info")) {
            if (!choisir(Commande::Info)) return std::nullopt;
        } else if (a == QLatin1String("--apply")) {
            if (!choisir(Commande::Appliquer)) return std::nullopt;
            const bool lot = i + 2 < args.size() &&
                             (args[i + 2] == QLatin1String("-o") ||
                              args[i + 2] == QLatin1String("--output"));
            if (lot) {
                if (i + 4 >= args.size()) {
                    *erreur = QStringLiteral("--apply N -o DOSSIER attend au moins un fichier");
                    return std::nullopt;
                }
                c.mode = Commande::Lot;
                c.arguments << args[i + 1] << args[i + 3];
                i += 3;
                continue;
            }
            if (i + 3 >= args.size()) {
                *erreur = QStringLiteral("--apply attend N ENTREE SORTIE");
                return std::nullopt;
            }
            c.arguments = args.mid(i + 1, 3);
            i += 3;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            *erreur = QStringLiteral("option inconnue : %1").arg(a);
            return std::nullopt;
        } else if (c.mode == Commande::Lot) {
            c.arguments << a;
        } else {
            if (!choisir(Commande::Fenetre)) return std::nullopt;
            c.arguments << a;
        }
    }
    if (c.dialogue && c.mode != Commande::Appliquer) {
        *erreur = QStringLiteral("--dialogue ne sert qu'avec --apply N ENTREE SORTIE");
        return std::nullopt;
    }
    if (c.reglagesDonnes && c.mode != Commande::Appliquer && c.mode != Commande::Lot) {
        *erreur = QStringLiteral("-r ne sert qu'avec --apply");
        return std::nullopt;
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
    // The decoders' own notices (image data, colour profiles): a file that
    // cannot be read, a damaged JPEG or a profile left behind gets our one
    // line instead.
    if (type == QtWarningMsg && contexte.category &&
        (std::strncmp(contexte.category, "qt.gui.imageio", 14) == 0 ||
         std::strcmp(contexte.category, "qt.gui.icc") == 0))
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

// The menu entry named on the command line, or 0 after saying why not.
uint NumeroOperation(const ChargeurPlugin &plugin, const QString &texte) {
    bool ok = false;
    const uint n = texte.toUInt(&ok);
    if (!ok || n < 1 || n > uint(plugin.NbOperations())) {
        Erreur(QStringLiteral("numéro d'opération invalide : « %1 » (de 1 à %2)")
                   .arg(texte)
                   .arg(plugin.NbOperations()));
        return 0;
    }
    return n;
}

// Runs operation n on the image and serves a plug-in window until it ends.
// Whether a result stands in the pixels.
// With reglages, the dialog opens on them (the plug-in's settings entry).
bool Executer(ChargeurPlugin &plugin, uint n, ImageHote &hote,
              const QByteArray *reglages = nullptr, QString *erreur = nullptr) {
    std::optional<QTimer> fermeture;
    if (PlateformeInvisible()) {
        fermeture.emplace();
        QObject::connect(&*fermeture, &QTimer::timeout, &FermerFenetresPlugin);
        fermeture->start(50);
    }
    if (reglages) {
        if (!plugin.Ouvrir(n, *reglages, hote.pixels.data(), hote.largeur, hote.hauteur, erreur))
            return false;
    } else {
        plugin.Executer(n, hote.pixels.data(), hote.largeur, hote.hauteur);
    }
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
    return plugin.ResultatRetenu();
}

// How an operation runs from the command line: an operation with settings
// through the plug-in's settings entry, its rule applied with no dialog; the
// direct ones, and any operation of a plug-in without that entry, through
// XchgData as any host runs them.
struct ReglagesCommande {
    bool parEntree = false;
    QByteArray texte;
};

// Checked once, before any file is read: a misspelt name or a value out of
// range stops the command.
std::optional<ReglagesCommande> PreparerReglages(const ChargeurPlugin &plugin, uint n,
                                                 const QStringList &reglages, bool donnes) {
    ReglagesCommande r;
    r.texte = reglages.join(QLatin1Char('\n')).toUtf8();
    const VelmoraEntree *e = plugin.Entree();
    const int32_t champs = e ? e->NbChamps(n) : -1;
    if (champs > 0 || (champs == 0 && donnes)) {
        char m[1024] = "";
        if (e->Verifier(n, r.texte.constData(), m, int32_t(sizeof m)) != VELMORA_OK) {
            Erreur(QStringLiteral("opération %1 : %2").arg(n).arg(QString::fromUtf8(m)));
            return std::nullopt;
        }
        r.parEntree = true;
        return r;
    }
    if (donnes) {
        Erreur(QStringLiteral("l'opération %1 de ce module ne prend pas de réglages (-r)").arg(n));
        return std::nullopt;
    }
    return r;
}

enum class Issue { Appliquee, Inchangee, Echec };

Issue Operer(ChargeurPlugin &plugin, uint n, const ReglagesCommande &r, ImageHote &image,
             QString *message) {
    if (!r.parEntree) return Executer(plugin, n, image) ? Issue::Appliquee : Issue::Inchangee;
    char m[1024] = "";
    if (plugin.Entree()->Appliquer(n, r.texte.constData(), image.pixels.data(), image.largeur,
                                   image.hauteur, m, int32_t(sizeof m)) == VELMORA_OK)
        return Issue::Appliquee;
    *message = QString::fromUtf8(m);
    return Issue::Echec;
}

int ListerReglages(const ChargeurPlugin &plugin, const QString &texte) {
    const uint n = NumeroOperation(plugin, texte);
    if (!n) return EchecUsage;
    const VelmoraEntree *e = plugin.Entree();
    const int32_t nb = e ? e->NbChamps(n) : -1;
    const QString libelle = plugin.Menu().at(int(n) - 1);
    if (nb < 0) {
        Ecrire(stdout, QStringLiteral("Opération %1 « %2 » : réglages inconnus de ce module "
                                      "(son dialogue seul les donne)")
                           .arg(n)
                           .arg(libelle));
        return Reussite;
    }
    Ecrire(stdout, nb == 0 ? QStringLiteral("Opération %1 « %2 » : aucun réglage").arg(n).arg(libelle)
                           : QStringLiteral("Opération %1 « %2 » :").arg(n).arg(libelle));
    for (int32_t i = 0; i < nb; ++i) {
        const VelmoraChamp *c = e->Champ(n, i);
        if (!c) continue;
        QString admis;
        switch (c->genre) {
        case VELMORA_ENTIER:
            admis = QStringLiteral("entier de %1 à %2")
                        .arg(QString::number(c->mini, 'f', 0), QString::number(c->maxi, 'f', 0));
            break;
        case VELMORA_REEL: admis = QStringLiteral("réel de %1 à %2").arg(c->mini).arg(c->maxi); break;
        case VELMORA_ENTIERS:
            admis = QStringLiteral("%1 entiers séparés par des virgules").arg(c->nombre);
            break;
        case VELMORA_CHOIX: admis = QString::fromUtf8(c->choix).replace(QLatin1Char('|'), QStringLiteral(" | ")); break;
        case VELMORA_FICHIER: admis = QStringLiteral("fichier .%1").arg(QString::fromUtf8(c->extension ? c->extension : "")); break;
        case VELMORA_COULEUR: admis = QStringLiteral("couleur $RRVVBB"); break;
        case VELMORA_POINT: admis = QStringLiteral("point x,y"); break;
        case VELMORA_RECTANGLE: admis = QStringLiteral("rectangle x,y,largeur,hauteur"); break;
        default: break;
        }
        QString ligne = QStringLiteral("  %1=%2").arg(QString::fromUtf8(c->nom), admis);
        if (c->defaut && *c->defaut) ligne += QStringLiteral(" (défaut : %1)").arg(QString::fromUtf8(c->defaut));
        Ecrire(stdout, ligne);
        Ecrire(stdout, QStringLiteral("      %1").arg(QString::fromUtf8(c->libelle)));
    }
    return Reussite;
}

// The same file under two names counts as one: an output may never be an input.
QString Identite(const QString &chemin) {
    const QFileInfo f(chemin);
    if (f.exists()) return f.canonicalFilePath();
    const QString dossier = QFileInfo(f.absolutePath()).canonicalFilePath();
    return dossier.isEmpty() ? f.absoluteFilePath() : dossier + QLatin1Char('/') + f.fileName();
}

int Appliquer(ChargeurPlugin &plugin, const Commande &c) {
    const QStringList &args = c.arguments;
    const QString &entree = args[1], &sortie = args[2];
    const uint n = NumeroOperation(plugin, args[0]);
    if (!n) return EchecUsage;
    const auto reglages = PreparerReglages(plugin, n, c.reglages, c.reglagesDonnes);
    if (!reglages) return EchecUsage;
    if (c.dialogue && !reglages->parEntree && c.reglagesDonnes) {
        Erreur(QStringLiteral("ce module n'ouvre pas ses dialogues sur des réglages"));
        return EchecUsage;
    }
    if (Identite(entree) == Identite(sortie)) {
        Erreur(QStringLiteral("la sortie « %1 » est aussi l'entrée : l'original serait perdu")
                   .arg(sortie));
        return EchecUsage;
    }
    // Checked before the operation runs, so that no dialog is answered in vain.
    if (!FormatEcritureConnu(sortie)) {
        Erreur(MessageFormatInconnu(sortie));
        return EchecFichier;
    }
    QString erreur;
    std::optional<ImageChargee> image = Charger(entree, &erreur);
    if (!image) {
        Erreur(erreur);
        return EchecFichier;
    }
    if (const QString note = image->origine.Note(); !note.isEmpty()) Erreur(note);

    const QString libelle = plugin.Menu().at(int(n) - 1);
    QString message;
    Issue issue;
    if (c.dialogue) {
        // The dialog, as in the window: on the settings when the plug-in takes them.
        const bool ok = reglages->parEntree
                            ? Executer(plugin, n, image->image, &reglages->texte, &message)
                            : Executer(plugin, n, image->image);
        issue = ok ? Issue::Appliquee : message.isEmpty() ? Issue::Inchangee : Issue::Echec;
    } else {
        issue = Operer(plugin, n, *reglages, image->image, &message);
    }
    if (issue == Issue::Echec) {
        Erreur(QStringLiteral("« %1 » : %2 ; rien n'est écrit").arg(entree, message));
        return EchecFichier;
    }
    if (issue == Issue::Inchangee) {
        Ecrire(stdout, QStringLiteral("Opération %1 « %2 » : aucune modification, rien n'est écrit")
                           .arg(n)
                           .arg(libelle));
        return Reussite;
    }
    if (!Enregistrer(image->image, image->origine, sortie, &erreur)) {
        Erreur(erreur);
        return EchecFichier;
    }
    Ecrire(stdout, QStringLiteral("Opération %1 « %2 » appliquée : %3").arg(n).arg(libelle, sortie));
    return Reussite;
}

// "[k/n] name" on one terminal line, rewritten for each file; nothing when
// stderr is not a terminal.
class Progression {
public:
    Progression() : actif_(isatty(STDERR_FILENO)) {}
    ~Progression() { Effacer(); }
    void Afficher(int k, int n, const QString &nom) {
        if (!actif_) return;
        Effacer();
        std::fputs(QStringLiteral("[%1/%2] %3").arg(k).arg(n).arg(nom).toUtf8().constData(), stderr);
        std::fflush(stderr);
        visible_ = true;
    }
    // Before any other line, so that it starts at the left margin.
    void Effacer() {
        if (!visible_) return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        visible_ = false;
    }

private:
    bool actif_;
    bool visible_ = false;
};

int AppliquerLot(ChargeurPlugin &plugin, const Commande &c) {
    const QStringList &args = c.arguments;
    const int taches = c.taches;
    const uint n = NumeroOperation(plugin, args[0]);
    if (!n) return EchecUsage;
    const auto reglages = PreparerReglages(plugin, n, c.reglages, c.reglagesDonnes);
    if (!reglages) return EchecUsage;
    const QString dossier = args[1];
    const QStringList entrees = args.mid(2);

    // Every output named before anything is written: none may be an input,
    // and no two inputs may share one.
    QStringList sorties;
    {
        QSet<QString> identitesEntrees, identitesSorties;
        for (const QString &e : entrees) identitesEntrees.insert(Identite(e));
        for (const QString &e : entrees) {
            const QString s = QDir(dossier).filePath(QFileInfo(e).fileName());
            const QString id = Identite(s);
            if (identitesEntrees.contains(id)) {
                Erreur(QStringLiteral("la sortie « %1 » est aussi une entrée : l'original serait perdu")
                           .arg(s));
                return EchecUsage;
            }
            if (identitesSorties.contains(id)) {
                Erreur(QStringLiteral("deux entrées donnent la même sortie « %1 »").arg(s));
                return EchecUsage;
            }
            identitesSorties.insert(id);
            sorties << s;
        }
    }
    if (!QDir().mkpath(dossier)) {
        Erreur(QStringLiteral("Impossible de créer le dossier « %1 »").arg(dossier));
        return EchecFichier;
    }

    const QString libelle = plugin.Menu().at(int(n) - 1);
    int ecrits = 0, echecs = 0, inchanges = 0;
    Progression progression;
    ChaineLot chaine(entrees, taches > 0 ? taches : ChaineLot::TachesParDefaut(), MemoireMachine());
    // Each file's lines as soon as it is done and every file before it too: the
    // order of one file at a time.
    auto rapport = [&](const ChaineLot::Fichier &f) {
        for (const ChaineLot::Ligne &l : f.lignes) {
            progression.Effacer();
            if (l.erreur)
                Erreur(l.texte);
            else
                Ecrire(stdout, l.texte);
        }
        ecrits += f.ecrit;
        echecs += f.echec;
    };
    // The operation runs here, on one file after the other in the given order.
    for (int k = 0; k < entrees.size(); ++k) {
        ChaineLot::Fichier &f = chaine.Lu(k);
        chaine.Rapporter(rapport);
        progression.Afficher(k + 1, int(entrees.size()), QFileInfo(f.entree).fileName());
        QString message;
        const Issue issue =
            f.image ? Operer(plugin, n, *reglages, f.image->image, &message) : Issue::Echec;
        if (!f.image) {
            f.echec = true;
            chaine.Terminer(k);
        } else if (issue == Issue::Echec) {
            // This file's own fault (a zone outside it): the others go on.
            f.lignes.push_back(
                {true, QStringLiteral("« %1 » : %2 ; rien n'est écrit").arg(f.entree, message)});
            f.echec = true;
            chaine.Terminer(k);
        } else if (issue == Issue::Inchangee) {
            f.lignes.push_back({false, QStringLiteral("« %1 » : aucune modification, rien n'est écrit")
                                           .arg(f.entree)});
            ++inchanges;
            chaine.Terminer(k);
        } else {
            chaine.Ecrire(k, sorties[k], f.image->origine.format);
        }
    }
    chaine.Rapporter(rapport, true);
    progression.Effacer();
    QString bilan = QStringLiteral("Opération %1 « %2 » : %3 sur %4 fichiers écrits dans %5")
                        .arg(n)
                        .arg(libelle)
                        .arg(ecrits)
                        .arg(entrees.size())
                        .arg(dossier);
    if (inchanges) bilan += QStringLiteral(", %1 sans modification").arg(inchanges);
    if (echecs) bilan += QStringLiteral(", %1 en échec").arg(echecs);
    Ecrire(stdout, bilan);
    return echecs ? EchecFichier : Reussite;
}

} // namespace

QTranslator *TraduireQt() {
    if (!QCoreApplication::instance()) return nullptr;
    auto *traduction = new QTranslator(QCoreApplication::instance());
    if (!traduction->load(QStringLiteral("qtbase_fr"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(traduction)) {
        delete traduction;
        return nullptr;
    }
    return traduction;
}

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
    TraduireQt();

    ChargeurPlugin plugin;
    const QString chemin =
        commande->plugin.isEmpty() ? ChargeurPlugin::CheminParDefaut() : commande->plugin;
    if (!plugin.Charger(chemin)) {
        Erreur(plugin.Erreur());
        return EchecFichier;
    }

    switch (commande->mode) {
    case Commande::Info: return Informer(plugin);
    case Commande::Appliquer: return Appliquer(plugin, *commande);
    case Commande::Lot: return AppliquerLot(plugin, *commande);
    case Commande::Reglages: return ListerReglages(plugin, commande->arguments[0]);
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
