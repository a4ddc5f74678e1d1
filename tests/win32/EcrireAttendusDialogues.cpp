// Linux side of the Windows dialog comparison: plays every scenario on the Qt
// forms of the Linux library (loaded with dlopen, as a host would) and writes
// the host's pixels and the callbacks it got, for velmora-dialoguestest.exe.
//   velmora-attendus-dialogues PLUGIN SAMPLES_FOLDER OUTPUT_FILE [SCREENSHOT_FOLDER]
// With a screenshot folder, each form is saved there once (dialogue-<form>.png),
// as it stands before the scenario's last action.
// Runs with any Qt platform (./test uses offscreen).
#include "Attendus.h"
#include "EcrivainsCommuns.h"
#include "Scenarios.h"

#include <velmora/memoire.h>
#include <velmora/plugin.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QStringList>
#include <QSlider>
#include <QTimer>
#include <QWidget>

#include <dlfcn.h>

#include <cstdio>
#include <cstring>

namespace {

using namespace attendus;

QWidget *Forme(const char *nom) {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(nom) && w->isVisible()) return w;
    return nullptr;
}

void Souris(QWidget *w, QEvent::Type t, QPoint p, Qt::MouseButton b, Qt::MouseButtons bs) {
    QMouseEvent ev(t, QPointF(p), w->mapToGlobal(QPointF(p)), b, bs, Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
}

FnXchgData xchgData = nullptr;
TPtImg *imageCourante = nullptr;
QString dossierCaptures;
QStringList capturees;

// Plays the actions on the shown form; false when a control is missing.
bool Jouer(const scenarios::Scenario &s) {
    QWidget *f = Forme(s.forme);
    if (!f) return false;
    using G = scenarios::Geste;
    for (const scenarios::Action &a : s.actions) {
        if (&a == &s.actions.back() && !dossierCaptures.isEmpty() &&
            !capturees.contains(QLatin1String(s.forme))) {
            capturees << QLatin1String(s.forme);
            f->grab().save(dossierCaptures + "/dialogue-" + QLatin1String(s.forme) + ".png");
        }
        const QString nom = QString::fromUtf8(a.controle);
        switch (a.geste) {
        case G::Curseur: {
            auto *c = f->findChild<QSlider *>(nom);
            if (!c) return false;
            c->setValue(a.a);
            Souris(c, QEvent::MouseButtonRelease, QPoint(1, 1), Qt::LeftButton, Qt::NoButton);
            break;
        }
        case G::Clic: {
            auto *b = f->findChild<QAbstractButton *>(nom);
            if (!b) return false;
            b->click();
            break;
        }
        case G::Liste: {
            auto *l = f->findChild<QComboBox *>(nom);
            if (!l) return false;
            l->setCurrentIndex(a.a);
            emit l->activated(a.a);
            break;
        }
        case G::Glisser: {
            QWidget *w = f->findChild<QWidget *>(nom);
            if (!w) return false;
            Souris(w, QEvent::MouseButtonPress, QPoint(a.a, a.b), Qt::LeftButton, Qt::LeftButton);
            for (int i = 1; i <= 4; ++i)
                Souris(w, QEvent::MouseMove,
                       QPoint(a.a + (a.c - a.a) * i / 4, a.b + (a.d - a.b) * i / 4), Qt::NoButton,
                       Qt::LeftButton);
            Souris(w, QEvent::MouseButtonRelease, QPoint(a.c, a.d), Qt::LeftButton, Qt::NoButton);
            break;
        }
        case G::FinDeBoucle:
            f->hide();  // ends the dialog's loop under it
            break;
        case G::DoubleClic: {
            QWidget *w = f->findChild<QWidget *>(nom);
            if (!w) return false;
            const QPoint p(a.a, a.b);
            Souris(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
            Souris(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
            Souris(w, QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
            Souris(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
            break;
        }
        case G::Zone: {
            TPtImg *zone = velmora::tableau::Nouveau(a.a);
            std::memcpy(zone, imageCourante, std::size_t(a.a) * 3);
            // The information box the first of two zones brings is answered.
            QTimer boites;
            QObject::connect(&boites, &QTimer::timeout, [] {
                if (auto *m = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                    m->accept();
            });
            boites.start(20);
            xchgData(7, 0, 0, 0, 0, 0, 0, 1, 0, zone, imageCourante, 0, 0);
            boites.stop();
            velmora::tableau::Relacher(zone);
            break;
        }
        case G::Touche: {
            QKeyEvent ev(QEvent::KeyPress, a.a == 0 ? Qt::Key_Return : Qt::Key_Escape,
                         Qt::NoModifier);
            QApplication::sendEvent(f, &ev);
            break;
        }
        }
        QApplication::processEvents();
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage : velmora-attendus-dialogues PLUGIN ECHANTILLONS SORTIE [CAPTURES]\n");
        return 2;
    }
    QApplication app(argc, argv);
    if (argc == 5) dossierCaptures = QString::fromLocal8Bit(argv[4]);
    void *bib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!bib) {
        std::fprintf(stderr, "velmora-attendus-dialogues : %s\n", dlerror());
        return 1;
    }
    auto adrRetour = reinterpret_cast<FnAdrRetour>(dlsym(bib, "AdrRetour"));
    xchgData = reinterpret_cast<FnXchgData>(dlsym(bib, "XchgData"));
    if (!adrRetour || !xchgData) return 1;
    adrRetour(reinterpret_cast<void *>(&Retour), nullptr);

    const QImage photo(QString::fromLocal8Bit(argv[2]) + "/coffee.png");
    if (photo.isNull()) {
        std::fprintf(stderr, "velmora-attendus-dialogues : %s/coffee.png illisible\n", argv[2]);
        return 1;
    }

    std::vector<attendus::Cas> cas;
    int graine = 1;
    for (const scenarios::Scenario &s : scenarios::Tous()) {
        attendus::Cas c;
        c.nom = s.nom;
        c.operation = s.operation;
        if (s.largeur == 0) {
            c.largeur = photo.width();
            c.hauteur = photo.height();
            c.entree = Photo(photo);
        } else {
            c.largeur = s.largeur;
            c.hauteur = s.hauteur;
            c.entree = Aleatoire(std::size_t(s.largeur) * s.hauteur * 3, uint32_t(100 + graine++));
        }
        c.n = int32_t(c.entree.size() / 3);
        TPtImg *bloc = velmora::tableau::Nouveau(c.n);
        std::memcpy(bloc, c.entree.data(), c.entree.size());
        appels.clear();
        imageCourante = bloc;
        bool joue = false;
        // A modal dialog runs its loop inside XchgData: played from there; the
        // modeless one (operation 7) after XchgData has returned.
        const bool modal = s.operation != 7;
        if (modal) QTimer::singleShot(0, [&] { joue = Jouer(s); });
        xchgData(c.operation, 0, 0, 0, 0, c.largeur, c.hauteur, 0, 0, bloc, nullptr, 0, 0);
        if (!modal) {
            QApplication::processEvents();
            joue = Jouer(s);
            QApplication::processEvents();
        }
        if (!joue) {
            std::fprintf(stderr, "velmora-attendus-dialogues : « %s » n'a pas pu être joué\n", s.nom);
            return 1;
        }
        const auto *o = reinterpret_cast<const uint8_t *>(bloc);
        c.sortie.assign(o, o + c.entree.size());
        velmora::tableau::Relacher(bloc);
        c.appels = appels;
        cas.push_back(std::move(c));
    }

    attendus::Ecrivain sortie(argv[3]);
    if (!sortie.Ouvert()) {
        std::fprintf(stderr, "velmora-attendus-dialogues : impossible d'écrire %s\n", argv[3]);
        return 1;
    }
    sortie.Entete(uint32_t(cas.size()));
    for (const auto &c : cas) sortie.Ecrire(c);
    if (!sortie.Fermer()) {
        std::fprintf(stderr, "velmora-attendus-dialogues : écriture de %s incomplète\n", argv[3]);
        return 1;
    }
    std::printf("%zu scénarios écrits dans %s\n", cas.size(), argv[3]);
    return 0;
}
