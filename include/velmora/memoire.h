// The memory manager that a host and the plug-in share, and the counted pixel
// arrays allocated through it.
//
// Every module that links this (the host program, each loaded copy of the
// plug-in) starts it before anything else of the module allocates: the first
// module of the process publishes its manager in a page at a fixed address,
// every later one joins that page and allocates, resizes and frees through the
// published manager. So a counted array allocated by one side may be kept,
// resized or freed by the other.
#pragma once

#include <velmora/plugin.h>

#include <cstddef>
#include <cstdint>
#include <utility>

// Calling convention of the manager's three entry points: register arguments
// on 32-bit Windows, as the hosts there call them; the platform's own elsewhere.
#if defined(_WIN32) && defined(__i386__)
#  define VELMORA_CONV_MEMOIRE __attribute__((regparm(3)))
#else
#  define VELMORA_CONV_MEMOIRE
#endif

namespace velmora::memoire {

using FnAllouer = void *(VELMORA_CONV_MEMOIRE *)(std::size_t taille);
using FnLiberer = int (VELMORA_CONV_MEMOIRE *)(void *bloc); // 0 on success
using FnRedimensionner = void *(VELMORA_CONV_MEMOIRE *)(void *bloc, std::size_t taille);

// The three entry points, in the order the shared page holds them.
struct Gestionnaire {
    FnAllouer Allouer;
    FnLiberer Liberer;
    FnRedimensionner Redimensionner;
};

// This module's manager: the published one once joined, its own otherwise.
const Gestionnaire &Actuel();

// False when the module could neither publish nor join the shared page (the
// reason was written to the standard error stream); it then keeps its own manager.
bool Pret();

inline void *Allouer(std::size_t taille) { return Actuel().Allouer(taille); }
inline int Liberer(void *bloc) { return Actuel().Liberer(bloc); }
inline void *Redimensionner(void *bloc, std::size_t taille) {
    return Actuel().Redimensionner(bloc, taille);
}

} // namespace velmora::memoire

// Counted pixel arrays (TPtsImg): the block layout that crosses the boundary.
//   [int32 reference count][int32 element count][element 0][element 1]...
// The address passed around is that of element 0. Nothing else touches the
// two header words.
namespace velmora {

namespace tableau {
// Element count of a block (0 for null).
int32_t Compte(const TPtImg *p);
// Reference count of a block (0 for null); for tests and diagnostics.
int32_t References(const TPtImg *p);
// Add one reference (null and never-freed blocks are skipped).
void Prendre(TPtImg *p);
// Drop one reference; the block is freed through the shared manager when its
// count falls to 0.
void Relacher(TPtImg *p);
// A new block with one reference and n elements, uninitialised (null for n <= 0).
// Throws std::bad_alloc when the manager fails.
TPtImg *Nouveau(int32_t n);
} // namespace tableau

// Owning handle: one counted reference, released on destruction.
class TPtsImg {
public:
    TPtsImg() = default;
    // Takes a new reference on a block that someone else owns.
    static TPtsImg Referencer(TPtImg *p) {
        tableau::Prendre(p);
        return TPtsImg(p);
    }
    static TPtsImg Creer(int32_t n) { return TPtsImg(tableau::Nouveau(n)); }

    TPtsImg(const TPtsImg &o) : p_(o.p_) { tableau::Prendre(p_); }
    TPtsImg(TPtsImg &&o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    TPtsImg &operator=(TPtsImg o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~TPtsImg() { tableau::Relacher(p_); }

    // Empties the handle (length 0), dropping its reference.
    void Vider() { TPtsImg().swap(*this); }

    void swap(TPtsImg &o) noexcept { std::swap(p_, o.p_); }
    TPtImg *data() const { return p_; }
    int32_t size() const { return tableau::Compte(p_); }
    bool empty() const { return size() == 0; }
    TPtImg &operator[](std::size_t i) const { return p_[i]; }
    TPtImg *begin() const { return p_; }
    TPtImg *end() const { return p_ + size(); }

private:
    explicit TPtsImg(TPtImg *p) : p_(p) {}
    TPtImg *p_ = nullptr;
};

} // namespace velmora
