/* Velmora colour plug-in: each operation's settings as data.
 *
 * Beyond the four exports of velmora/plugin.h, the Linux library offers one
 * versioned C entry for hosts that want to apply an operation with given
 * settings and no dialog (scripts, batches, a filter's "repeat"), open a dialog
 * on given settings, and read back the settings of its last "Appliquer":
 *
 *   void *lib = dlopen("velmora.so", RTLD_NOW);
 *   VelmoraInterfaceFn f = (VelmoraInterfaceFn)dlsym(lib, "VelmoraInterface");
 *   const VelmoraEntree *e = f ? f(VELMORA_ENTREE_VERSION) : NULL;
 *
 * A library without the symbol, or that returns NULL, does not offer it (the
 * Windows DLLs export the four functions only). A later version only appends
 * members: check e->taille before using one beyond those of version 1.
 *
 * Settings text (UTF-8): "nom=valeur" items separated by ';' or line ends, in
 * any order, each name at most once; a setting left out keeps the dialog's
 * default, so "" or NULL gives the defaults. Values: integers in decimal;
 * reals with '.' or ','; a choice by one of its names (any case, accents or
 * not); a colour as $RRGGBB or #RRGGBB, or by a name its field lists; a point
 * as "x,y"; a rectangle as "x,y,largeur,hauteur" in image pixels; a file as
 * its path; a list as its integers with ',' between. Each operation's fields are listed by
 * NbChamps and Champ; docs/interface.md lists them all.
 *
 * Every function returns at once with an error code on bad input, writes a
 * French message (UTF-8, NUL-terminated, cut to tailleMessage bytes) when it
 * fails, and never throws, aborts or writes a pixel when it fails.
 */
#ifndef VELMORA_REGLAGES_H
#define VELMORA_REGLAGES_H

#include <velmora/plugin.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VELMORA_ENTREE_VERSION 1

/* A field's type. */
enum {
    VELMORA_ENTIER = 1,    /* mini..maxi */
    VELMORA_REEL = 2,      /* mini..maxi */
    VELMORA_CHOIX = 3,     /* one of the names in choix, "a|b|c" */
    VELMORA_FICHIER = 4,   /* a path; extension gives the file kind, e.g. "pfl" */
    VELMORA_COULEUR = 5,   /* $RRGGBB */
    VELMORA_POINT = 6,     /* x,y, each mini..maxi */
    VELMORA_RECTANGLE = 7, /* x,y,largeur,hauteur in image pixels; may be left empty */
    VELMORA_ENTIERS = 8    /* exactly nombre integers, each mini..maxi, ',' between; may be left empty */
};

typedef struct {
    const char *nom;       /* ASCII, as the settings text spells it */
    int32_t genre;         /* VELMORA_ENTIER... */
    const char *libelle;   /* what it is, in French (UTF-8) */
    double mini, maxi;
    const char *defaut;    /* the default's text; "" for none (a file, a rectangle) */
    const char *choix;     /* VELMORA_CHOIX: the names, '|' between; VELMORA_COULEUR:
                              the named colours it also takes, "nom=$RRGGBB|..."; else NULL */
    const char *extension; /* VELMORA_FICHIER: the extension without the dot; else NULL */
    int32_t nombre;        /* VELMORA_ENTIERS: how many integers; else 0 */
} VelmoraChamp;

/* Results. */
enum {
    VELMORA_OK = 0,
    VELMORA_ERREUR_REGLAGES = 1,  /* a bad setting, or a file it names that cannot be read */
    VELMORA_ERREUR_OPERATION = 2, /* no such operation, or none of this kind */
    VELMORA_ERREUR_IMAGE = 3,     /* no pixels, or a size that does not fit them */
    VELMORA_ERREUR_ETAT = 4,      /* the call does not fit the moment (no dialog open...) */
    VELMORA_ERREUR_INTERNE = 5    /* out of memory, or another failure */
};

typedef struct VelmoraEntree {
    uint32_t version; /* the version this table answers */
    uint32_t taille;  /* sizeof(VelmoraEntree) as the library was built */

    /* How many settings operation 1..9 has (0 for the direct ones); -1: none such. */
    int32_t (*NbChamps)(uint32_t operation);
    /* Field index 0..NbChamps-1 of the operation; NULL out of range. */
    const VelmoraChamp *(*Champ)(uint32_t operation, int32_t index);

    /* Checks a settings text without applying it. Files are read only by Appliquer. */
    int32_t (*Verifier)(uint32_t operation, const char *reglages, char *message,
                        int32_t tailleMessage);

    /* Applies operation 1..9 with the settings to largeur x hauteur pixels
     * (a plain buffer, 3 bytes a pixel: blue, green, red; rows top to bottom,
     * no padding), in place, with no dialog. The same bytes as the operation's
     * dialog gives when set to the same values. On failure no pixel changes. */
    int32_t (*Appliquer)(uint32_t operation, const char *reglages, TPtImg *pixels,
                         int32_t largeur, int32_t hauteur, char *message, int32_t tailleMessage);

    /* As XchgData(operation, ..., largeur, hauteur, mode 0, ..., pixels, ...),
     * pixels being a counted array block, but the dialog (operation 2, 3, 4, 7,
     * 8 or 9) opens on the given settings instead of its defaults; the host's
     * callback is told as through XchgData. Returns once a modal dialog has
     * closed (the colour balance is modeless: at once). */
    int32_t (*Ouvrir)(uint32_t operation, const char *reglages, TPtImg *pixels, int32_t largeur,
                      int32_t hauteur, char *message, int32_t tailleMessage);

    /* The settings text of the dialog's last "Appliquer" (through XchgData or
     * Ouvrir). Returns its length in bytes (without the NUL) and copies as much
     * as fits, NUL-terminated, into tampon; 0 when none has been applied since
     * the library was loaded; -1 for no such dialog. */
    int32_t (*Appliques)(uint32_t operation, char *tampon, int32_t taille);

    /* Operation 7, dialog open: the reference zone as a rectangle of the image
     * the dialog opened on (x, y, largeur, hauteur in its pixels), in place of
     * XchgData's mode 1. The zone is taken from the pixels as they were at the
     * opening; image is the host's whole array (a counted block) that receives
     * the correction, as mode 1's second array. The rectangle is kept for the
     * settings given back by Appliques. */
    int32_t (*Zone)(int32_t x, int32_t y, int32_t largeur, int32_t hauteur, TPtImg *image,
                    char *message, int32_t tailleMessage);
} VelmoraEntree;

typedef const VelmoraEntree *(*VelmoraInterfaceFn)(uint32_t version);

/* The entry for the given version (1..VELMORA_ENTREE_VERSION), or NULL. */
VELMORA_EXPORT const VelmoraEntree *VelmoraInterface(uint32_t version);

#ifdef __cplusplus
}
#endif

#endif
