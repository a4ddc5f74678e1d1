// Each form table against the widgets the Qt back end builds from it, in the
// dialog as the built library shows it: names, places, captions, ranges, items.
#include "HotePlugin.h"
#include "dialogs/AjustImg/AjustImgDialogue.h"
#include "dialogs/AjustLum/AjustLumDialogue.h"
#include "dialogs/BalanceCoul/BalanceCoulDialogue.h"
#include "dialogs/GrainOuBr/GrainOuBrDialogue.h"
#include "dialogs/MonoChrome/MonoChromeDialogue.h"
#include "dialogs/ProfilGamma/ProfilGammaDialogue.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <algorithm>

using namespace velmora;
using namespace banc;

namespace {

struct Cas {
    uint32_t operation;
    const TForme *forme;
};

// One row per dialog that the library builds.
const Cas Formes[] = {
    {2, &FormeAjustCoul},
    {3, &FormeProfGamma},
    {4, &FormeAjustLumManu},
    {8, &FormeAjoutGrain},
    {9, &FormeMonoCouleur},
};

QRect Rect(const TRect &r) { return {r.Gauche, r.Haut, r.Largeur, r.Hauteur}; }

void Comparer(QDialog *d, const TForme &f) {
    EXPECT_EQ(d->objectName(), QString::fromUtf8(f.Nom));
    EXPECT_EQ(d->windowTitle(), QString::fromUtf8(f.Titre));
    EXPECT_EQ(d->size(), QSize(f.LargeurClient, f.HauteurClient));
    EXPECT_EQ(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint), f.PremierPlan);
    EXPECT_FALSE(d->windowFlags().testFlag(Qt::WindowSystemMenuHint));
    for (const TControle &c : f.Controles) {
        SCOPED_TRACE(c.Nom);
        QWidget *w = d->findChild<QWidget *>(QString::fromUtf8(c.Nom));
        ASSERT_NE(w, nullptr);
        const QString parent = c.Parent ? QString::fromUtf8(c.Parent) : d->objectName();
        EXPECT_EQ(w->parentWidget()->objectName(), parent);
        // PreVisu is placed around the thumbnail; a list is as high as its font needs.
        if (std::string_view(c.Nom) != "PreVisu") {
            if (c.Place.Largeur > 0 && c.Place.Hauteur > 0) {
                EXPECT_EQ(w->geometry(), Rect(c.Place));
            } else {
                EXPECT_EQ(w->pos(), QPoint(c.Place.Gauche, c.Place.Haut));
            }
            if (c.Genre == TGenre::Liste) {
                EXPECT_EQ(w->width(), c.Place.Largeur);
            }
        }
        const QString texte = QString::fromUtf8(c.Texte ? c.Texte : "");
        switch (c.Genre) {
        case TGenre::Curseur: {
            auto *s = qobject_cast<QSlider *>(w);
            ASSERT_NE(s, nullptr);
            EXPECT_EQ(s->minimum(), c.Min);
            EXPECT_EQ(s->maximum(), c.Max);
            EXPECT_EQ(s->tickInterval(), c.Frequence);
            EXPECT_EQ(s->orientation(), Qt::Horizontal);
            break;
        }
        case TGenre::Etiquette:
            // Value labels are rewritten when shown; a caption is kept or extended.
            ASSERT_NE(qobject_cast<QLabel *>(w), nullptr);
            EXPECT_TRUE(qobject_cast<QLabel *>(w)->text().startsWith(texte));
            break;
        case TGenre::Bouton:
        case TGenre::Radio:
        case TGenre::Case:
            ASSERT_NE(qobject_cast<QAbstractButton *>(w), nullptr);
            EXPECT_EQ(qobject_cast<QAbstractButton *>(w)->text(), texte);
            break;
        case TGenre::Groupe:
            // A caption may be extended when shown (the balance hue's temperature).
            ASSERT_NE(qobject_cast<QGroupBox *>(w), nullptr);
            EXPECT_TRUE(qobject_cast<QGroupBox *>(w)->title().startsWith(texte));
            break;
        case TGenre::GroupeRadio: {
            const auto radios = w->findChildren<QRadioButton *>();
            ASSERT_EQ(radios.size(), qsizetype(c.Elements.size()));
            for (std::size_t i = 0; i < c.Elements.size(); ++i)
                EXPECT_EQ(radios[qsizetype(i)]->text(), QString::fromUtf8(c.Elements[i]));
            break;
        }
        case TGenre::Liste: {
            auto *l = qobject_cast<QComboBox *>(w);
            ASSERT_NE(l, nullptr);
            EXPECT_FALSE(l->isEditable());
            ASSERT_GE(l->count(), int(c.Elements.size()));  // entries added by the user stay
            EXPECT_EQ(l->itemText(0), QString::fromUtf8(c.Elements.front()));
            EXPECT_EQ(l->itemText(l->count() - 1), QString::fromUtf8(c.Elements.back()));
            break;
        }
        case TGenre::Panneau:
        case TGenre::Image: break;
        }
        if (c.Genre == TGenre::Bouton && c.Role == TRole::Defaut) {
            EXPECT_TRUE(qobject_cast<QPushButton *>(w)->isDefault());
        }
    }
}

// From a widget's left edge to where its text must end: for one sized to its
// text, the next widget on its right that meets its line (pictures excepted:
// the picker's weights stand on its corners) or its parent's edge; for the
// others their own width.
int Place(QWidget *w, bool ajusteAuTexte) {
    if (!ajusteAuTexte) return w->width();
    int bord = w->parentWidget()->width();
    for (QWidget *o : w->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (o == w || o->x() <= w->x() || o->property("Image").isValid()) continue;
        if (o->y() < w->y() + w->height() && w->y() < o->y() + o->height())
            bord = std::min(bord, o->x());
    }
    return bord - w->x();
}

// Every text of the form, measured with its widget's font and its style's
// metrics, fits the room the form leaves it: labels (as shown, values
// included), buttons, group captions, radio items, every item of a list.
void TextesEntiers(QDialog *d, const TForme &f) {
    for (QWidget *w : d->findChildren<QWidget *>()) {
        const QString nom = w->objectName();
        SCOPED_TRACE(nom.toStdString());
        const TControle *c = f.Controle(nom.toStdString());
        const bool ajuste = c && c->Place.Largeur <= 0;
        const QFontMetrics fm(w->font());
        QStyle *st = w->style();
        if (auto *l = qobject_cast<QLabel *>(w)) {
            EXPECT_LE(fm.horizontalAdvance(l->text()), Place(w, ajuste)) << l->text().toStdString();
        } else if (auto *r = qobject_cast<QRadioButton *>(w)) {
            const int besoin = st->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, r) +
                               st->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, r) +
                               fm.horizontalAdvance(r->text());
            EXPECT_LE(besoin, Place(w, ajuste)) << r->text().toStdString();
        } else if (auto *b = qobject_cast<QPushButton *>(w)) {
            const int besoin = fm.horizontalAdvance(b->text()) +
                               (b->icon().isNull() ? 0 : b->iconSize().width() + 4) +
                               st->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b) +
                               2 * st->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b);
            EXPECT_LE(besoin, w->width()) << b->text().toStdString();
        } else if (auto *g = qobject_cast<QGroupBox *>(w)) {
            // Clear of the frame's rounded corners on both sides.
            EXPECT_LE(fm.horizontalAdvance(g->title()) + 16, w->width()) << g->title().toStdString();
        } else if (auto *l = qobject_cast<QComboBox *>(w)) {
            QStyleOptionComboBox opt;
            opt.initFrom(l);
            opt.editable = false;
            opt.frame = true;
            const QRect champ = st->subControlRect(QStyle::CC_ComboBox, &opt,
                                                   QStyle::SC_ComboBoxEditField, l);
            for (int i = 0; i < l->count(); ++i)
                EXPECT_LE(fm.horizontalAdvance(l->itemText(i)), champ.width())
                    << l->itemText(i).toStdString();
        }
    }
}

// The same with every slider at its minimum, then at its maximum: the value
// labels at their widest.
void TextesEntiersAuxBornes(QDialog *d, const TForme &f) {
    TextesEntiers(d, f);
    for (bool maxi : {false, true}) {
        SCOPED_TRACE(maxi ? "maximum" : "minimum");
        for (QSlider *s : d->findChildren<QSlider *>()) s->setValue(maxi ? s->maximum() : s->minimum());
        TextesEntiers(d, f);
    }
}

TEST(Formes, ChaqueTableEstCeQueLeDosConstruit) {
    AssurerQApplication();
    for (const Cas &cas : Formes) {
        SCOPED_TRACE(cas.forme->Nom);
        Plugin &p = Plugin::Instance();
        p.Brancher();
        Image img(8, 6);
        img.Remplir(3);
        bool vu = false;
        PendantDialogue(cas.forme->Nom, [&](QDialog *d) {
            vu = true;
            Comparer(d, *cas.forme);
            TextesEntiersAuxBornes(d, *cas.forme);
            d->reject();  // as Escape
        });
        p.Executer(cas.operation, img.pixels, 8, 6);
        EXPECT_TRUE(vu);
    }
}

// The colour balance is modeless: shown when XchgData returns.
TEST(Formes, LaBalanceNonModale) {
    AssurerQApplication();
    Plugin &p = Plugin::Instance();
    p.Brancher();
    Image img(8, 6);
    img.Remplir(3);
    p.Executer(7, img.pixels, 8, 6);
    auto *d = qobject_cast<QDialog *>(FenetreVisible(FormeBalCoul.Nom));
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->isModal());
    Comparer(d, FormeBalCoul);
    TextesEntiersAuxBornes(d, FormeBalCoul);
    d->reject();  // as Escape
    EXPECT_FALSE(d->isVisible());
}

} // namespace
