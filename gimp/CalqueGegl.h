// A drawable's region through GEGL buffers, for both GIMP versions: read from
// the drawable, results through the shadow buffer merged by GIMP. GIMP 2.10
// names a drawable by its id, GIMP 3 by an object; the calls have the same
// names and meaning, so the class is written once over the handle's type.
// Included by Gimp210.cpp and Gimp3.cpp, after their libgimp.
#pragma once

#include "Pont.h"

#include <libgimp/gimp.h>

#include <cstdint>
#include <vector>

namespace velmora::gimp {

template <class Dessin> class CalqueGegl : public ICalque {
public:
    // The region's pixels, as 8-bit R'G'B'(A) in the drawable's own colour
    // space (no conversion on the way in or out), and, for the operations that
    // show results before the end, as the drawable stores them, to put back
    // exactly whatever its precision.
    CalqueGegl(Dessin calque, int x, int y, Region &region, bool garderOriginal)
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

    Dessin calque_;
    GeglRectangle rect_;
    const Babl *natif_ = nullptr;
    const Babl *format_ = nullptr;
    std::vector<uint8_t> original_;
    bool lu_ = false;
    bool modifie_ = false;
};

} // namespace velmora::gimp
