// Shared by the window tests: answering the window's modal boxes from the
// test, private settings, and a shown, active window.
#pragma once

#include "ChargeurPlugin.h"
#include "OutilsHote.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <deque>

namespace velmora::hote::essai {

// Answers the modal boxes the window opens, in order, as the user would: a
// message box by its standard button, a file dialog with a path (or cancelled
// when the path is empty). A box beyond the planned answers is recorded and
// cancelled, so that a wrong question fails the test instead of hanging it.
class Reponses {
public:
    struct Reponse {
        Reponse(QMessageBox::StandardButton b = QMessageBox::Cancel) : bouton(b) {}
        // For a file dialog: the path chosen, or cancelled when empty.
        Reponse(const QString &f) : fichier(f) {}
        QMessageBox::StandardButton bouton = QMessageBox::Cancel;
        QString fichier;
    };
    struct Vue {
        QString classe, nom, texte;
        QStringList boutons; // texts of a message box's buttons
        bool prevue = true;
    };

    explicit Reponses(std::initializer_list<Reponse> reponses = {}) : attendues_(reponses) {
        QObject::connect(&minuteur_, &QTimer::timeout, [this] { Repondre(); });
        minuteur_.start(0); // fires only inside the boxes' own event loops
    }

    std::vector<Vue> vues;
    QStringList Textes() const {
        QStringList t;
        for (const Vue &v : vues) t << v.texte;
        return t;
    }

private:
    void Repondre() {
        QWidget *modale = QApplication::activeModalWidget();
        if (!modale) return;
        Vue vue{QString::fromLatin1(modale->metaObject()->className()), modale->objectName(), {}, {},
                !attendues_.empty()};
        const Reponse r = attendues_.empty() ? Reponse{} : attendues_.front();
        if (!attendues_.empty()) attendues_.pop_front();
        if (auto *boite = qobject_cast<QMessageBox *>(modale)) {
            vue.texte = boite->text();
            for (QAbstractButton *b : boite->buttons()) vue.boutons << b->text();
            vues.push_back(vue);
            QAbstractButton *b = boite->button(vue.prevue ? r.bouton : QMessageBox::Cancel);
            if (!b) b = boite->escapeButton();
            if (b)
                b->click();
            else
                boite->reject();
        } else if (auto *dialogue = qobject_cast<QFileDialog *>(modale)) {
            vues.push_back(vue);
            if (vue.prevue && !r.fichier.isEmpty()) {
                dialogue->selectFile(r.fichier);
                static_cast<QDialog *>(dialogue)->accept();
            } else {
                dialogue->reject();
            }
        } else if (auto *d = qobject_cast<QDialog *>(modale)) {
            vues.push_back(vue);
            d->reject();
        }
    }

    std::deque<Reponse> attendues_;
    QTimer minuteur_;
};

// Each test keeps its recent files in its own folder.
class ReglagesIsoles {
public:
    ReglagesIsoles() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dossier_.path()); }

private:
    QTemporaryDir dossier_;
};

// A window on the real plug-in, with private settings and a folder for its files.
class FenetreReelle : public ::testing::Test {
protected:
    void SetUp() override {
        Appli();
        ASSERT_TRUE(plugin.Charger(Plugin())) << plugin.Erreur().toStdString();
        ASSERT_TRUE(dossier.isValid());
    }
    QString Chemin(const QString &nom) const { return dossier.filePath(nom); }
    ReglagesIsoles reglages;
    QTemporaryDir dossier;
    ChargeurPlugin plugin;
};

// An action of the window by its object name (a failure when it has none).
inline QAction *Action(QWidget &w, const QString &nom) {
    auto *a = w.findChild<QAction *>(nom);
    EXPECT_NE(a, nullptr) << nom.toStdString();
    return a;
}

// Shortcuts reach only the active window.
inline ::testing::AssertionResult Montrer(QWidget &w) {
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w)) return ::testing::AssertionFailure() << "not active";
    return ::testing::AssertionSuccess();
}

// Ctrl+S pressed in the shown window, which is to save without opening any box.
inline ::testing::AssertionResult CtrlSSansQuestion(QWidget &w) {
    if (::testing::AssertionResult montree = Montrer(w); !montree) return montree;
    Reponses aucune;
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
    if (!aucune.vues.empty())
        return ::testing::AssertionFailure()
               << "a box was opened: " << aucune.Textes().join(" | ").toStdString();
    return ::testing::AssertionSuccess();
}

inline QByteArray Octets(const QString &chemin) {
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace velmora::hote::essai
