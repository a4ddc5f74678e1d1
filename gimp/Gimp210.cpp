// GIMP 2.10's side of the bridge: registration of the nine procedures, the
// run modes; the drawable's pixels through GEGL buffers are CalqueGegl's,
// shared with GIMP 3's side.
#include "CalqueGegl.h"
#include "Pont.h"

#include <libgimp/gimp.h>

#include <algorithm>
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

using Calque = velmora::gimp::CalqueGegl<gint32>;

int NumeroDe(const gchar *nom) {
    for (int i = 1; i <= NbProcedures; ++i)
        if (std::strcmp(nom, ProcedureNumero(i).nom) == 0) return i;
    return 0;
}

// The last settings applied, kept by GIMP for the session and for Repeat
// (gimp_set_data): the settings text, NUL-terminated.
constexpr std::size_t TailleDonnees = 8192;

std::string DernieresValeurs(const char *nom) {
    const gint taille = gimp_get_data_size(nom);
    if (taille <= 0 || std::size_t(taille) > TailleDonnees) return {};
    std::vector<char> d(std::size_t(taille) + 1, '\0');
    if (!gimp_get_data(nom, d.data())) return {};
    return std::string(d.data());
}

void Retenir(const char *nom, const std::string &texte) {
    if (texte.size() < TailleDonnees) gimp_set_data(nom, texte.c_str(), texte.size() + 1);
}

void Requete() {
    Pont pont;
    if (!pont.Charger()) {
        g_printerr("%s\n", pont.Erreur().c_str());
        return;
    }
    const std::vector<std::string> menu = pont.Menu();
    for (int i = 1; i <= NbProcedures; ++i) {
        const auto &p = ProcedureNumero(i);
        // The run mode, image and drawable, then the operation's settings.
        std::vector<std::string> textes;  // names and blurbs, alive for the call
        const std::vector<velmora::gimp::Argument> reglages = pont.Arguments(i);
        textes.reserve(2 * reglages.size());
        std::vector<GimpParamDef> arguments = {
            {GIMP_PDB_INT32, const_cast<gchar *>("run-mode"),
             const_cast<gchar *>("The run mode { RUN-INTERACTIVE (0), RUN-NONINTERACTIVE (1), "
                                 "RUN-WITH-LAST-VALS (2) }")},
            {GIMP_PDB_IMAGE, const_cast<gchar *>("image"), const_cast<gchar *>("Input image")},
            {GIMP_PDB_DRAWABLE, const_cast<gchar *>("drawable"),
             const_cast<gchar *>("Input drawable")},
        };
        for (const auto &a : reglages) {
            textes.push_back(a.nom);
            textes.push_back(a.libelle + (a.type == velmora::gimp::Argument::Fichier
                                              ? std::string(" (chemin ; vide : aucun)")
                                              : std::string()));
            arguments.push_back({a.type == velmora::gimp::Argument::Entier ? GIMP_PDB_INT32
                                 : a.type == velmora::gimp::Argument::Reel ? GIMP_PDB_FLOAT
                                                                           : GIMP_PDB_STRING,
                                 const_cast<gchar *>(textes[textes.size() - 2].c_str()),
                                 const_cast<gchar *>(textes.back().c_str())});
        }
        const std::string aide =
            std::string(p.bulle) +
            (p.directe ? ". Runs in every mode."
                       : ". Opens a dialog when interactive; otherwise applies the settings "
                         "given (or the last ones) with no dialog.");
        gimp_install_procedure(p.nom, p.bulle, aide.c_str(), "Velmora", "Velmora", "2026",
                               menu.at(std::size_t(i - 1)).c_str(), "RGB*", GIMP_PLUGIN,
                               gint(arguments.size()), 0, arguments.data(), nullptr);
        gimp_plugin_menu_register(p.nom, Menu);
    }
}

void Executer(const gchar *nom, gint nbParams, const GimpParam *params, gint *nbRetours,
              GimpParam **retours) {
    static GimpParam valeurs[2];
    static std::string message;
    *nbRetours = 1;
    *retours = valeurs;
    valeurs[0].type = GIMP_PDB_STATUS;
    valeurs[0].data.d_status = GIMP_PDB_SUCCESS;
    auto echec = [&](GimpPDBStatusType statut, std::string texte) {
        message = std::move(texte);
        valeurs[0].data.d_status = statut;
        valeurs[1].type = GIMP_PDB_STRING;
        valeurs[1].data.d_string = const_cast<gchar *>(message.c_str());
        *nbRetours = 2;
    };
    auto refuser = [&](const Issue &issue) {
        echec(issue.statut == Issue::ErreurAppel ? GIMP_PDB_CALLING_ERROR
                                                 : GIMP_PDB_EXECUTION_ERROR,
              issue.message);
    };

    const int operation = NumeroDe(nom);
    if (operation == 0 || nbParams < 3) {
        echec(GIMP_PDB_CALLING_ERROR, "Velmora : appel incomplet");
        return;
    }
    const auto mode = GimpRunMode(params[0].data.d_int32);
    const gint32 calque = params[2].data.d_drawable;
    if (!gimp_item_is_valid(calque) || !gimp_item_is_drawable(calque)) {
        echec(GIMP_PDB_CALLING_ERROR, "Velmora : calque introuvable");
        return;
    }
    if (!gimp_drawable_is_rgb(calque)) {
        echec(GIMP_PDB_EXECUTION_ERROR,
              "Velmora ne traite que les images RVB : convertissez d'abord l'image "
              "(Image › Mode › RVB)");
        return;
    }

    Region region;
    gint x = 0, y = 0;
    if (!gimp_drawable_mask_intersect(calque, &x, &y, &region.largeur, &region.hauteur))
        return; // the selection misses this drawable: nothing to do

    // Buffers are all the bridge needs of GEGL: loading its hundred operation
    // modules (video decoders among them) would cost each run a second.
    if (!g_getenv("GEGL_PATH")) g_setenv("GEGL_PATH", "/nonexistent", TRUE);
    gegl_init(nullptr, nullptr);
    Pont pont;
    if (!pont.Charger()) {
        echec(GIMP_PDB_EXECUTION_ERROR, pont.Erreur());
        return;
    }
    const bool interactif = mode == GIMP_RUN_INTERACTIVE;
    // The image window the run was started from, when GIMP says it.
    if (interactif) Pont::DefinirFenetreHote(uint64_t(gimp_progress_get_window_handle()));
    const Issue refus = pont.Verifier(operation, interactif, region.largeur, region.hauteur);
    if (refus.statut != Issue::Reussi) return refuser(refus);
    Calque cible(calque, x, y, region, !ProcedureNumero(operation).directe);
    if (!cible.Lu()) {
        echec(GIMP_PDB_EXECUTION_ERROR, "Velmora : pixels du calque illisibles");
        return;
    }
    // The settings: the script's arguments; the last ones applied for Repeat
    // and for the dialog to start from.
    std::string reglages;
    if (mode == GIMP_RUN_NONINTERACTIVE && nbParams > 3) {
        const std::vector<velmora::gimp::Argument> a = pont.Arguments(operation);
        if (nbParams != gint(3 + a.size())) {
            echec(GIMP_PDB_CALLING_ERROR, "Velmora : " + std::to_string(3 + a.size()) +
                                              " arguments attendus, " + std::to_string(nbParams) +
                                              " reçus");
            return;
        }
        std::vector<std::string> valeurs;
        for (std::size_t k = 0; k < a.size(); ++k) {
            const GimpParam &v = params[3 + k];
            switch (a[k].type) {
            case velmora::gimp::Argument::Entier: valeurs.push_back(std::to_string(v.data.d_int32)); break;
            case velmora::gimp::Argument::Reel: {
                std::string t = std::to_string(v.data.d_float);
                std::replace(t.begin(), t.end(), ',', '.');
                valeurs.push_back(t);
                break;
            }
            default: valeurs.push_back(v.data.d_string ? v.data.d_string : ""); break;
            }
        }
        reglages = pont.ReglagesDe(operation, valeurs, x, y);
    } else if (mode != GIMP_RUN_NONINTERACTIVE) {
        reglages = DernieresValeurs(nom);
        // Kept in the layer's coordinates: into this run's region.
        reglages = pont.ReglagesDe(operation, pont.ValeursDe(operation, reglages, 0, 0), x, y);
    }
    std::string appliques;
    const Issue issue = pont.Executer(operation, region, cible, interactif, &reglages, &appliques);
    if (issue.statut != Issue::Reussi) return refuser(issue);
    // Kept after a dialog's "Appliquer" only, as GIMP 3 keeps its last values:
    // a script's settings do not become the user's.
    if (interactif && issue.modifie && !appliques.empty())
        Retenir(nom, pont.ReglagesDe(operation, pont.ValeursDe(operation, appliques, x, y), 0, 0));
    gimp_displays_flush();
}

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, &Requete, &Executer};

} // namespace

MAIN()
