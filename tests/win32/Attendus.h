// The cases the Linux library runs and the Windows library must repeat byte for
// byte: input pixels, the operation and sizes, the pixels after it and the
// callbacks made. One file, little-endian, written by velmora-attendus (Linux)
// and read by velmora-hosttest.exe (Windows).
//   "VELMATT1", u32 case count, then per case:
//   u32 name length, name, u32 operation, i32 largeur, i32 hauteur,
//   i32 element count n (-1: null array), 3n input bytes, 3n output bytes,
//   u32 callback count, per callback 8 x i32 (arguments 2 to 9, argument 8
//   reduced to its low byte).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace attendus {

inline constexpr char Signature[8] = {'V', 'E', 'L', 'M', 'A', 'T', 'T', '1'};

struct Cas {
    std::string nom;
    uint32_t operation = 0;
    int32_t largeur = 0, hauteur = 0;
    int32_t n = 0; // -1: the operation is given a null array
    std::vector<uint8_t> entree, sortie;
    std::vector<std::array<int32_t, 8>> appels;
};

class Ecrivain {
public:
    explicit Ecrivain(const std::string &chemin) : f_(std::fopen(chemin.c_str(), "wb")) {}
    ~Ecrivain() {
        if (f_) std::fclose(f_);
    }
    bool Ouvert() const { return f_ != nullptr; }
    void Entete(uint32_t nombre) {
        std::fwrite(Signature, 1, sizeof Signature, f_);
        Mot(nombre);
    }
    void Ecrire(const Cas &c) {
        Mot(uint32_t(c.nom.size()));
        std::fwrite(c.nom.data(), 1, c.nom.size(), f_);
        Mot(c.operation);
        Mot(uint32_t(c.largeur));
        Mot(uint32_t(c.hauteur));
        Mot(uint32_t(c.n));
        std::fwrite(c.entree.data(), 1, c.entree.size(), f_);
        std::fwrite(c.sortie.data(), 1, c.sortie.size(), f_);
        Mot(uint32_t(c.appels.size()));
        for (const auto &a : c.appels)
            for (int32_t v : a) Mot(uint32_t(v));
    }
    bool Fermer() {
        const bool ok = f_ && std::ferror(f_) == 0;
        if (f_ && std::fclose(f_) != 0) {
            f_ = nullptr;
            return false;
        }
        f_ = nullptr;
        return ok;
    }

private:
    void Mot(uint32_t v) {
        const uint8_t o[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        std::fwrite(o, 1, 4, f_);
    }
    std::FILE *f_;
};

// Reads every case; false (with what went wrong) on a short or foreign file.
inline bool Lire(const std::string &chemin, std::vector<Cas> &cas, std::string &erreur) {
    std::FILE *f = std::fopen(chemin.c_str(), "rb");
    if (!f) {
        erreur = "introuvable : " + chemin;
        return false;
    }
    auto octets = [f](void *p, std::size_t n) { return std::fread(p, 1, n, f) == n; };
    auto mot = [&](uint32_t &v) {
        uint8_t o[4];
        if (!octets(o, 4)) return false;
        v = uint32_t(o[0]) | uint32_t(o[1]) << 8 | uint32_t(o[2]) << 16 | uint32_t(o[3]) << 24;
        return true;
    };
    bool ok = false;
    char signature[8];
    uint32_t nombre = 0;
    if (octets(signature, 8) && std::equal(signature, signature + 8, Signature) && mot(nombre)) {
        ok = true;
        for (uint32_t i = 0; ok && i < nombre; ++i) {
            Cas c;
            uint32_t longueur = 0, l = 0, h = 0, n = 0, appels = 0;
            ok = mot(longueur) && longueur < 256;
            if (ok) {
                c.nom.resize(longueur);
                ok = octets(c.nom.data(), longueur) && mot(c.operation) && mot(l) && mot(h) &&
                     mot(n);
            }
            c.largeur = int32_t(l);
            c.hauteur = int32_t(h);
            c.n = int32_t(n);
            ok = ok && c.n >= -1 && c.n <= (1 << 26);
            if (ok) {
                const std::size_t taille = c.n > 0 ? std::size_t(c.n) * 3 : 0;
                c.entree.resize(taille);
                c.sortie.resize(taille);
                ok = octets(c.entree.data(), taille) && octets(c.sortie.data(), taille) &&
                     mot(appels) && appels < 16;
            }
            for (uint32_t a = 0; ok && a < appels; ++a) {
                std::array<int32_t, 8> arguments{};
                for (int32_t &v : arguments) {
                    uint32_t u = 0;
                    ok = ok && mot(u);
                    v = int32_t(u);
                }
                c.appels.push_back(arguments);
            }
            if (ok) cas.push_back(std::move(c));
        }
    }
    std::fclose(f);
    if (!ok) erreur = "fichier tronqué ou étranger : " + chemin;
    return ok;
}

} // namespace attendus
