// The base of every dialog: the lifecycle (Lancer, Preparer, the thumbnail, the
// buttons, the closing notice), the preview panel, the error box and the
// stay-on-top switch. A dialog supplies its controls, its rule (Regle) and its
// handlers, and overrides only the steps where it departs from the common pattern.
//
// Lifecycle of a modal dialog with a preview:
//   Lancer(pixels, dim) -> Preparer(pixels):
//       1-2 Etat.PrendreImage  3-5 PreparerEtat(): ReInitClick(nullptr), ConstruireApercu()
//       6 Montrer(): exec()  (the whole set-up absorbs errors silently)
//   shown: FormShow(); handlers; "Appliquer" -> AppliquerClick() then accept;
//   "Annuler" / Escape / close event -> AnnulerClick() then reject;
//   however closed -> FormClose() (default: host callback with Fin = 1, then
//   Copie and Apercu emptied).
// Departures: override PreparerEtat (MonoChrome: reset only; grain: nothing),
// Montrer (colour balance: modeless show) or FormClose (empty before the callback).
#pragma once

#include "../EtatDialogue.h"

#include <QDialog>
#include <QRect>
#include <QImage>
#include <QString>
#include <QWidget>

#include <exception>
#include <functional>
#include <string>
#include <utility>

class QFrame;
class QLabel;
class QPushButton;

namespace velmora::qt {

// PreVisu: shows the thumbnail bitmap (QImage::Format_BGR888, tw x th) from its
// top-left corner. Tests read it through the property "Image".
class TImageApercu : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QImage Image READ Image)
public:
    explicit TImageApercu(QWidget *parent = nullptr);
    QImage Image() const { return bitmap_; }
    QImage &Bitmap() { return bitmap_; }   // rows written through scanLine
    // A new bitmap of tw x th (null when either is 0).
    void Redimensionner(int tw, int th);
    // Row y of the bitmap as pixels (B, G, R), for the preview loops.
    TPtImg *Ligne(int y);

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QImage bitmap_;
};

// Runs a handler: an error it raises is shown in a stop-icon message box (OK)
// with its text and a final period (TexteErreur); returns false then.
// Exceptions carry UTF-8 text in what().
bool ExecuterGestionnaire(QWidget *parent, const std::function<void()> &gestionnaire);

// The user's decimal separator (QLocale), as UTF-8, for the toolkit-free label texts.
std::string SeparateurDecimal();

// Switches the stay-on-top style off for its lifetime (around file, colour and name
// dialogs), back on when it ends, also when the inner dialog fails. Does nothing for
// a window without the style. Safe on a shown modal dialog (does not hide it).
class PremierPlanSuspendu {
public:
    explicit PremierPlanSuspendu(QWidget *fenetre);
    ~PremierPlanSuspendu();
    PremierPlanSuspendu(const PremierPlanSuspendu &) = delete;
    PremierPlanSuspendu &operator=(const PremierPlanSuspendu &) = delete;

private:
    QWidget *fenetre_;
    bool actif_;
};

class DialogueBase : public QDialog {
    Q_OBJECT
public:
    // nomForme: objectName, the form name without the T ("AjustCoul"); titre: caption;
    // client area size; premierPlan: stay-on-top style.
    DialogueBase(const char *nomForme, const QString &titre, int largeurClient,
                 int hauteurClient, bool premierPlan);
    ~DialogueBase() override;

    // Entry from XchgData: size from dim, a reference on pixels for the call's
    // duration, Preparer. Returns when the modal dialog has closed.
    virtual void Lancer(TPtImg *pixels, const TDimImg &dim);
    // Once, right after the instance is created (with the other instances).
    virtual void FormCreate() {}

    EtatDialogue Etat;

protected:
    // --- lifecycle steps, each overridable ---
    virtual void Preparer(TPtImg *pixels);   // steps 1..6 under a silent guard
    virtual void PreparerEtat();             // steps 3..5
    virtual void Montrer();                  // step 6: modal
    virtual void ConstruireApercu();         // Etat.ConstruireApercu, PreVisu placed and filled
    virtual void RafraichirApercu();         // Regle() over Apercu into PreVisu, repaint
    virtual const RegleBloc *Regle() const { return nullptr; }  // the dialog's per-pixel rule
    virtual void FormShow() {}
    virtual void ReInitClick(QObject *sender);   // base: ImageModifiee := False
    virtual void AnnulerClick();                 // base: ImageModifiee := False
    virtual void AppliquerClick();               // base: busy cursor, Etat.Appliquer(*Regle()), ImageModifiee := True
    virtual void FormClose();                    // base: Etat.Fermer()

    // --- building the form ---
    // CadreAff (QFrame 322 x 322 at 10, 10) with PreVisu inside.
    void CreerApercu();
    // The three buttons (ReInit named nomReInit), wired to the handlers; Appliquer is the
    // default button (Enter), Escape cancels.
    void CreerBoutons(QRect reInit, QRect annuler, QRect appliquer,
                      const char *nomReInit = "ReInit");
    // A label with objectName nom at (gauche, haut), sized to its text.
    QLabel *CreerEtiquette(const char *nom, const QString &texte, int gauche, int haut);
    // The font of the form when the system has it ("MS Sans Serif" 8 pt).
    void AppliquerPolice(const char *famille = "MS Sans Serif", int points = 8);

    // Connects a signal to a handler run through ExecuterGestionnaire.
    template <class Emetteur, class Signal, class F>
    void Relier(Emetteur *e, Signal s, F f) {
        connect(e, s, this, [this, f = std::move(f)] { ExecuterGestionnaire(this, f); });
    }

    QFrame *CadreAff = nullptr;
    TImageApercu *PreVisu = nullptr;
    QPushButton *ReInit = nullptr, *Annuler = nullptr, *Appliquer = nullptr;

    // QDialog: accept runs AppliquerClick first, reject AnnulerClick first; either
    // closes only when its handler succeeded. done runs FormClose, however closed.
public slots:
    void accept() override;
    void reject() override;
    void done(int r) override;

protected:
    void showEvent(QShowEvent *ev) override;
};

} // namespace velmora::qt
