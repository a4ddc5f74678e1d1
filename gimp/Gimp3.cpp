// GIMP 3's side of the bridge: a GimpPlugIn class that makes the nine image
// procedures, the run modes, one drawable's pixels through GEGL buffers (read
// from the drawable, results through the shadow buffer merged by GIMP). What
// it does with them is Pont's, shared with GIMP 2.10's side (Gimp210.cpp);
// only the registration and the calls into libgimp are written again here,
// since the two libgimp interfaces have no call in common.
#include "Pont.h"

#include <libgimp/gimp.h>

#include <cstring>
#include <string>

namespace {

using velmora::gimp::ICalque;
using velmora::gimp::Issue;
using velmora::gimp::NbProcedures;
using velmora::gimp::Pont;
using velmora::gimp::ProcedureNumero;
using velmora::gimp::Region;

const char *const Menu = "<Image>/Colors/Velmora";

class Calque : public ICalque {
public:
    // The region's pixels, as 8-bit R'G'B'(A) in the drawable's own colour
    // space (no conversion on the way in or out), and, for the operations that
    // show results before the end, as the drawable stores them, to put back
    // exactly whatever its precision.
    Calque(GimpDrawable *calque, int x, int y, Region &region, bool garderOriginal)
        : calque_(calque), rect_{x, y, region.largeur, region.hauteur} {
        region.canaux = gimp_drawable_has_alpha(calque) ? 4 : 3;
        natif_ = gimp_drawable_get_format(calque);
        format_ = babl_format_with_space(region.canaux == 4 ? "R'G'B'A u8" : "R'G'B' u8", natif_);
        region.octets.resize(std::size_t(rect_.width) * rect_.height * region.canaux);
        if (garderOriginal)
            original_.resize(std::size_t(rect_.width) * rect_.height *
                             std::size_t(babl_format_get_bytes_per_pixel(natif_)));
        if (GeglBuffer *tampon = gimp_drawable_get_buffer(calque)) {
            gegl_buffer_get(tampon, &rect_, 1.0, format_, region.octets.data(), GEGL_AUTO_ROWSTRIDE,
                            GEGL_ABYSS_NONE);
            if (garderOriginal)
                gegl_buffer_get(tampon, &rect_, 1.0, natif_, original_.data(), GEGL_AUTO_ROWSTRIDE,
                                GEGL_ABYSS_NONE);
            g_object_unref(tampon);
            lu_ = true;
        }
    }
    bool Lu() const { return lu_; }

    void Montrer(const std::vector<uint8_t> &octets) override {
        Fusionner(octets, false);
        gimp_displays_flush();
    }

    void Valider(const std::vector<uint8_t> &octets) override { Fusionner(octets, true); }

    void Remettre() override {
        if (original_.empty()) return; // nothing was kept: nothing was shown
        Ecrire(gimp_drawable_get_buffer(calque_), natif_, original_.data());
        modifie_ = false;
        gimp_drawable_update(calque_, rect_.x, rect_.y, rect_.width, rect_.height);
        gimp_displays_flush();
    }

private:
    void Ecrire(GeglBuffer *tampon, const Babl *format, const void *octets) {
        if (!tampon) return;
        gegl_buffer_set(tampon, &rect_, 0, format, octets, GEGL_AUTO_ROWSTRIDE);
        g_object_unref(tampon); // sends the tiles to GIMP
    }

    // GIMP blends the shadow buffer with the drawable through the selection:
    // the drawable must hold the pixels of the opening when it does.
    void Fusionner(const std::vector<uint8_t> &octets, bool annulable) {
        if (modifie_) Remettre();
        Ecrire(gimp_drawable_get_shadow_buffer(calque_), format_, octets.data());
        gimp_drawable_merge_shadow(calque_, annulable);
        modifie_ = true;
        gimp_drawable_update(calque_, rect_.x, rect_.y, rect_.width, rect_.height);
    }

    GimpDrawable *calque_;
    GeglRectangle rect_;
    const Babl *natif_ = nullptr;
    const Babl *format_ = nullptr;
    std::vector<uint8_t> original_;
    bool lu_ = false;
    bool modifie_ = false;
};

int NumeroDe(const gchar *nom) {
    for (int i = 1; i <= NbProcedures; ++i)
        if (std::strcmp(nom, ProcedureNumero(i).nom) == 0) return i;
    return 0;
}

// The X11 window GIMP names for the run, as libgimp hands it (the window
// id's bytes); 0 when there is none.
uint64_t FenetreHote() {
    GBytes *octets = gimp_progress_get_window_handle();
    if (!octets) return 0;
    gsize taille = 0;
    const void *donnees = g_bytes_get_data(octets, &taille);
    uint64_t id = 0;
    if (taille == sizeof(guint32)) {
        guint32 i;
        std::memcpy(&i, donnees, sizeof i);
        id = i;
    } else if (taille == sizeof(guint64)) {
        std::memcpy(&id, donnees, sizeof id);
    }
    g_bytes_unref(octets);
    return id;
}

GimpValueArray *Echec(GimpProcedure *procedure, GimpPDBStatusType statut, const std::string &texte) {
    return gimp_procedure_new_return_values(
        procedure, statut, g_error_new_literal(GIMP_PLUG_IN_ERROR, 0, texte.c_str()));
}

GimpValueArray *Executer(GimpProcedure *procedure, GimpRunMode mode, GimpImage *,
                         GimpDrawable **calques, GimpProcedureConfig *, gpointer) {
    auto refuser = [&](const Issue &issue) {
        return Echec(procedure,
                     issue.statut == Issue::ErreurAppel ? GIMP_PDB_CALLING_ERROR
                                                        : GIMP_PDB_EXECUTION_ERROR,
                     issue.message);
    };
    const int operation = NumeroDe(gimp_procedure_get_name(procedure));
    if (operation == 0) return Echec(procedure, GIMP_PDB_CALLING_ERROR, "Velmora : appel incomplet");
    int nbCalques = 0;
    while (calques && calques[nbCalques]) ++nbCalques;
    // GIMP's menus offer the entry for one drawable only; a script may give several.
    if (nbCalques != 1)
        return Echec(procedure, GIMP_PDB_CALLING_ERROR,
                     nbCalques == 0 ? "Velmora : calque introuvable"
                                    : "Velmora ne traite qu'un calque à la fois : n'en "
                                      "sélectionnez qu'un");
    GimpDrawable *calque = calques[0];
    if (!gimp_item_is_valid(GIMP_ITEM(calque)))
        return Echec(procedure, GIMP_PDB_CALLING_ERROR, "Velmora : calque introuvable");
    if (!gimp_drawable_is_rgb(calque))
        return Echec(procedure, GIMP_PDB_EXECUTION_ERROR,
                     "Velmora ne traite que les images RVB : convertissez d'abord l'image "
                     "(Image › Mode › RVB)");

    Region region;
    gint x = 0, y = 0;
    // The selection misses this drawable: nothing to do.
    if (!gimp_drawable_mask_intersect(calque, &x, &y, &region.largeur, &region.hauteur))
        return gimp_procedure_new_return_values(procedure, GIMP_PDB_SUCCESS, nullptr);

    gegl_init(nullptr, nullptr); // libgimp may have done it: then nothing
    Pont pont;
    if (!pont.Charger()) return Echec(procedure, GIMP_PDB_EXECUTION_ERROR, pont.Erreur());
    const bool interactif = mode == GIMP_RUN_INTERACTIVE;
    if (interactif) Pont::DefinirFenetreHote(FenetreHote());
    const Issue refus = pont.Verifier(operation, interactif, region.largeur, region.hauteur);
    if (refus.statut != Issue::Reussi) return refuser(refus);
    Calque cible(calque, x, y, region, !ProcedureNumero(operation).directe);
    if (!cible.Lu())
        return Echec(procedure, GIMP_PDB_EXECUTION_ERROR, "Velmora : pixels du calque illisibles");
    const Issue issue = pont.Executer(operation, region, cible, interactif);
    if (issue.statut != Issue::Reussi) return refuser(issue);
    gimp_displays_flush();
    return gimp_procedure_new_return_values(procedure, GIMP_PDB_SUCCESS, nullptr);
}

} // namespace

// --- The plug-in class --------------------------------------------------------

struct PontVelmora {
    GimpPlugIn parent;
};
struct PontVelmoraClass {
    GimpPlugInClass parent;
};

G_DEFINE_TYPE(PontVelmora, pont_velmora, GIMP_TYPE_PLUG_IN)

namespace {

GList *Procedures(GimpPlugIn *) {
    GList *liste = nullptr;
    for (int i = 1; i <= NbProcedures; ++i)
        liste = g_list_append(liste, g_strdup(ProcedureNumero(i).nom));
    return liste;
}

GimpProcedure *CreerProcedure(GimpPlugIn *plugin, const gchar *nom) {
    const int operation = NumeroDe(nom);
    if (operation == 0) return nullptr;
    // The captions are the plug-in's own: GIMP asks them once, at registration.
    Pont pont;
    if (!pont.Charger()) {
        g_printerr("%s\n", pont.Erreur().c_str());
        return nullptr;
    }
    const auto &p = ProcedureNumero(operation);
    GimpProcedure *procedure = gimp_image_procedure_new(plugin, nom, GIMP_PDB_PROC_TYPE_PLUGIN,
                                                        &Executer, nullptr, nullptr);
    gimp_procedure_set_image_types(procedure, "RGB*");
    gimp_procedure_set_sensitivity_mask(procedure, GIMP_PROCEDURE_SENSITIVE_DRAWABLE);
    gimp_procedure_set_menu_label(procedure, pont.Menu().at(std::size_t(operation - 1)).c_str());
    gimp_procedure_add_menu_path(procedure, Menu);
    const std::string aide =
        std::string(p.bulle) +
        (p.directe ? ". Runs in every mode." : ". Opens a dialog: interactive mode only.");
    gimp_procedure_set_documentation(procedure, p.bulle, aide.c_str(), nom);
    gimp_procedure_set_attribution(procedure, "Velmora", "Velmora", "2026");
    return procedure;
}

// The captions are the plug-in's own, in its language: nothing for GIMP to translate.
gboolean SansTraduction(GimpPlugIn *, const gchar *, gchar **, gchar **) { return FALSE; }

} // namespace

static void pont_velmora_class_init(PontVelmoraClass *classe) {
    GimpPlugInClass *c = GIMP_PLUG_IN_CLASS(classe);
    c->query_procedures = &Procedures;
    c->create_procedure = &CreerProcedure;
    c->set_i18n = &SansTraduction;
}
static void pont_velmora_init(PontVelmora *) {}

int main(int argc, char *argv[]) {
    // Buffers are all the bridge needs of GEGL: loading its hundred operation
    // modules (video decoders among them) would cost each run a second.
    if (!g_getenv("GEGL_PATH")) g_setenv("GEGL_PATH", "/nonexistent", TRUE);
    return gimp_main(pont_velmora_get_type(), argc, argv);
}
