/* Velmora colour plug-in: the interface a host includes.
 *
 * A host loads the library (dlopen / LoadLibrary), then calls, in order:
 *   PrmDLL   identity (version digits, menu category, title);
 *   AddMenu  index 0 gives the entry count and the category, 1..count the captions;
 *   AdrRetour its callback, before the first XchgData;
 *   XchgData once per chosen menu entry.
 * All texts are zero-terminated Windows-1252 bytes owned by the library.
 */
#ifndef VELMORA_PLUGIN_H
#define VELMORA_PLUGIN_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#  define VELMORA_APPEL __stdcall
#else
#  define VELMORA_APPEL
#endif

#if defined(_WIN32)
#  define VELMORA_EXPORT __declspec(dllexport)
#else
#  define VELMORA_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One pixel: blue, green, red; exactly 3 bytes, no padding. */
typedef struct {
    uint8_t Bleu, Vert, Rouge;
} TPtImg;

/* Width then height, in pixels. */
typedef struct {
    int32_t Largeur, Hauteur;
} TDimImg;

/* The host's callback. Argument 8 (imageModifiee): only its low byte is defined.
 * demandeZone = 1: the colour-balance dialog waits for a reference zone.
 * fin = 1: the operation has ended; 0: an intermediate notice. */
typedef void (VELMORA_APPEL *TRetour)(void *context, int32_t largeur, int32_t hauteur,
                                      int32_t reserve1, int32_t reserve2, int32_t demandeZone,
                                      int32_t zero, int32_t imageModifiee, int32_t fin);

/* Counted array block: a pixel array crosses the boundary as the address of
 * element 0; the int32 element count lies 4 bytes before it and the int32
 * reference count 8 bytes before it. A negative reference count marks a block
 * that is never freed. Blocks are allocated and freed through the shared
 * allocator (velmora/memoire.h). */
#define VELMORA_ENTETE_TABLEAU 8

VELMORA_EXPORT void VELMORA_APPEL AdrRetour(void *code, void *context);
VELMORA_EXPORT const char *VELMORA_APPEL PrmDLL(int32_t *majeur, int32_t *mineur,
                                                const char **categorie);
VELMORA_EXPORT const char *VELMORA_APPEL AddMenu(int32_t *index);
VELMORA_EXPORT void VELMORA_APPEL XchgData(uint32_t operation, uint32_t s2, uint32_t s3,
                                           uint32_t s4, uint32_t s5, int32_t largeur,
                                           int32_t hauteur, uint32_t mode, uint32_t s9,
                                           TPtImg *pixels, TPtImg *pixels2, uint32_t s12,
                                           uint32_t s13);

#ifdef __cplusplus
}
#endif

#endif
