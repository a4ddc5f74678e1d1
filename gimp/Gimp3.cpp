// GIMP 3's side of the bridge: a GimpPlugIn class that makes the nine image
// procedures, the run modes, one drawable's pixels through GEGL buffers (read
// from the drawable, results through the shadow buffer merged by GIMP). What
// it does with them is Pont's, and the buffers CalqueGegl's, both shared with
// GIMP 2.10's side (Gimp210.cpp); only the registration and the run modes are
// written again here.
#include "CalqueGegl.h"
#include "Pont.h"

#include <libgimp/gimp.h>

#include <cstdlib>
#include <cstring>
#include <vector>
#include <string>

namespace {

using velmora::gimp::Issue;
using velmora::gimp::NbProcedures;
using velmora::gimp::Pont;
using velmora::gimp::ProcedureNumero;
using velmora::gimp::Region;

const char *const Menu = "<Image>/Colors/Velmora";

using Calque = velmora::gimp::CalqueGegl<GimpDrawable *>;

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

// The settings' arguments as text, read from the run's config.
std::vector<std::string> Valeurs(const std::vector<velmora::gimp::Argument> &arguments,
                                 GimpProcedureConfig *config) {
    std::vector<std::string> v;
    for (const auto &a : arguments) {
        switch (a.type) {
        case velmora::gimp::Argument::Entier: {
            gint n = 0;
            g_object_get(config, a.nom.c_str(), &n, nullptr);
            v.push_back(std::to_string(n));
            break;
        }
        case velmora::gimp::Argument::Reel: {
            gdouble d = 0;
            g_object_get(config, a.nom.c_str(), &d, nullptr);
            gchar tampon[G_ASCII_DTOSTR_BUF_SIZE];
            v.push_back(g_ascii_dtostr(tampon, sizeof tampon, d));
            break;
        }
        case velmora::gimp::Argument::Fichier: {
            GFile *f = nullptr;
            g_object_get(config, a.nom.c_str(), &f, nullptr);
            gchar *chemin = f ? g_file_get_path(f) : nullptr;
            v.push_back(chemin ? chemin : "");
            g_free(chemin);
            if (f) g_object_unref(f);
            break;
        }
        case velmora::gimp::Argument::Texte: {
            gchar *t = nullptr;
            g_object_get(config, a.nom.c_str(), &t, nullptr);
            v.push_back(t ? t : "");
            g_free(t);
            break;
        }
        }
    }
    return v;
}

// The settings of an "Appliquer" into the config, which GIMP keeps as the
// last values (for Repeat and the next dialog).
void Retenir(const std::vector<velmora::gimp::Argument> &arguments,
             const std::vector<std::string> &valeurs, GimpProcedureConfig *config) {
    for (std::size_t k = 0; k < arguments.size() && k < valeurs.size(); ++k) {
        const auto &a = arguments[k];
        const std::string &v = valeurs[k];
        switch (a.type) {
        case velmora::gimp::Argument::Entier:
            g_object_set(config, a.nom.c_str(), gint(std::strtol(v.c_str(), nullptr, 10)), nullptr);
            break;
        case velmora::gimp::Argument::Reel:
            g_object_set(config, a.nom.c_str(), g_ascii_strtod(v.c_str(), nullptr), nullptr);
            break;
        case velmora::gimp::Argument::Fichier: {
            GFile *f = v.empty() ? nullptr : g_file_new_for_path(v.c_str());
            g_object_set(config, a.nom.c_str(), f, nullptr);
            if (f) g_object_unref(f);
            break;
        }
        case velmora::gimp::Argument::Texte:
            g_object_set(config, a.nom.c_str(), v.c_str(), nullptr);
            break;
        }
    }
}

GimpValueArray *Executer(GimpProcedure *procedure, GimpRunMode mode, GimpImage *,
                         GimpDrawable **calques, GimpProcedureConfig *config, gpointer) {
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
    // The settings: a script's arguments, or the last ones applied (GIMP
    // loads them into the config for Repeat and for the dialog).
    const std::vector<velmora::gimp::Argument> arguments = pont.Arguments(operation);
    const std::string reglages =
        arguments.empty() ? std::string() : pont.ReglagesDe(operation, Valeurs(arguments, config), x, y);
    std::string appliques;
    const Issue issue = pont.Executer(operation, region, cible, interactif, &reglages, &appliques);
    if (issue.statut != Issue::Reussi) return refuser(issue);
    if (issue.modifie && !appliques.empty())
        Retenir(arguments, pont.ValeursDe(operation, appliques, x, y), config);
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
    // The settings, one argument each after the drawables.
    for (const auto &a : pont.Arguments(operation)) {
        const char *n = a.nom.c_str(), *b = a.libelle.c_str();
        switch (a.type) {
        case velmora::gimp::Argument::Entier:
            gimp_procedure_add_int_argument(procedure, n, n, b, gint(a.mini), gint(a.maxi),
                                            gint(std::strtol(a.defaut.c_str(), nullptr, 10)),
                                            G_PARAM_READWRITE);
            break;
        case velmora::gimp::Argument::Reel:
            gimp_procedure_add_double_argument(procedure, n, n, b, a.mini, a.maxi,
                                               g_ascii_strtod(a.defaut.c_str(), nullptr),
                                               G_PARAM_READWRITE);
            break;
        case velmora::gimp::Argument::Fichier:
            gimp_procedure_add_file_argument(procedure, n, n, b, GIMP_FILE_CHOOSER_ACTION_OPEN,
                                             TRUE, nullptr, G_PARAM_READWRITE);
            break;
        case velmora::gimp::Argument::Texte:
            gimp_procedure_add_string_argument(procedure, n, n, b, a.defaut.c_str(),
                                               G_PARAM_READWRITE);
            break;
        }
    }
    const std::string aide =
        std::string(p.bulle) +
        (p.directe ? ". Runs in every mode."
                   : ". Opens a dialog when interactive; otherwise applies the settings given "
                     "(or the last ones) with no dialog.");
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
