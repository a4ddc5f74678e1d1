// The Qt back end of a form: widgets built from the form's table, their events
// forwarded to the dialog, and the form interface. One class for every dialog.
#pragma once

#include "imaging/dialogue/Interface.h"

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <map>
#include <memory>
#include <string>
#include <vector>

class QButtonGroup;

namespace velmora::qt {

// An image control: shows the dialog's picture from its top-left corner.
// Tests read the picture through the property "Image".
class ImageQt : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QImage Image READ Image)
public:
    explicit ImageQt(QWidget *parent) : QWidget(parent) {}
    QImage Image() const { return image_; }
    void Definir(const TImage &image);

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QImage image_;
};

class FormeQt;

// The window: routes close requests (Escape, the window manager) to the
// dialog, centres itself when shown and paints the texts drawn on its surface.
class FenetreQt : public QDialog {
    Q_OBJECT
public:
    explicit FenetreQt(FormeQt &forme, Qt::WindowFlags f) : QDialog(nullptr, f), forme_(forme) {}
    struct Texte {
        QPoint point;
        QString texte;
    };
    std::vector<Texte> textes;
    // Tests read the texts as the property "Textes": "x,y text" each.
    void MontrerTextes();

public slots:
    void reject() override;
    void accept() override {}

protected:
    void showEvent(QShowEvent *ev) override;
    void paintEvent(QPaintEvent *ev) override;

private:
    FormeQt &forme_;
};

class FormeQt final : public IForme, public QObject {
public:
    FormeQt(const TForme &table, IGestionnaire &dialogue);
    ~FormeQt() override;

    int32_t Position(std::string_view nom) const override;
    void DefinirPosition(std::string_view nom, int32_t v) override;
    std::string Texte(std::string_view nom) const override;
    void DefinirTexte(std::string_view nom, std::string_view texte) override;
    bool Coche(std::string_view nom) const override;
    void DefinirCoche(std::string_view nom, bool v) override;
    int32_t Index(std::string_view nom) const override;
    void DefinirIndex(std::string_view nom, int32_t i) override;
    std::vector<std::string> Elements(std::string_view nom) const override;
    void InsererElement(std::string_view nom, int32_t index, std::string_view texte) override;
    void Activer(std::string_view nom, bool actif) override;
    void Placer(std::string_view nom, TRect place) override;
    void MontrerImage(std::string_view nom, const TImage &image) override;
    TPtImg CouleurSysteme(TCouleurSysteme c) const override;
    TTaille MesurerTexte(std::string_view texte) const override;
    void DessinerTexte(int32_t x, int32_t y, std::string_view texte) override;
    void EffacerZone(TRect zone) override;
    void MontrerModal() override;
    void MontrerNonModal() override;
    void Fermer() override;
    bool Visible() const override;
    void PremierPlan(bool actif) override;
    void MessageErreur(std::string_view texte) override;
    void MessageInformation(std::string_view texte) override;
    std::optional<std::filesystem::path> OuvrirFichier(const TDialogueFichier &d) override;
    std::optional<std::filesystem::path> EnregistrerFichier(const TDialogueFichier &d) override;
    std::optional<uint32_t> ChoisirCouleur() override;
    std::optional<std::string> Saisir(std::string_view titre, std::string_view invite,
                                      std::string_view defaut) override;
    void PlacerCurseurSouris(std::string_view nom, int32_t x, int32_t y) override;
    void Differer(std::function<void()> f) override;
    std::string SeparateurDecimal() const override;

    QDialog *Fenetre() const { return fenetre_; }
    uint64_t Generation() const { return generation_; }  // of the application object
    void Envoyer(const TEvenement &e);  // to the dialog, unless the form is writing
    void EnvoyerFermeture() { Envoyer({table_.Nom, TTypeEvenement::Fermeture}); }

protected:
    bool eventFilter(QObject *objet, QEvent *ev) override;

private:
    QWidget *Widget(std::string_view nom) const;
    template <class T> T *Comme(std::string_view nom) const;
    void Construire();
    QWidget *CreerControle(const TControle &c, QWidget *parent);
    // The place of what is sized to its font (labels, radio buttons, lists, radio items).
    void Disposer(const TControle &c, QWidget *w);
    bool Tient() const;
    // The font of the form: every caption fits the room the table leaves it.
    void ChoisirPolice();
    std::optional<std::filesystem::path> Fichier(const TDialogueFichier &d, bool enregistrer);

    const TForme &table_;
    IGestionnaire &dialogue_;
    uint64_t generation_;
    FenetreQt *fenetre_;
    std::map<std::string, QWidget *, std::less<>> widgets_;
    std::map<std::string, QButtonGroup *, std::less<>> groupes_;
    std::map<QObject *, const char *> noms_;  // widget -> control name, for mouse events
    int silence_ = 0;  // > 0 while the dialog writes a control: no event goes back
};

} // namespace velmora::qt
