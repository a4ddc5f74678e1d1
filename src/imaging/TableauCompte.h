// Counted pixel arrays (TPtsImg): the block layout that crosses the boundary.
//   [int32 reference count][int32 element count][element 0][element 1]...
// The address passed around is that of element 0. Nothing else in the code
// touches the two header words.
#pragma once

#include <velmora/plugin.h>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace velmora {

namespace tableau {
// Element count of a block (0 for null).
int32_t Compte(const TPtImg *p);
// Reference count of a block (0 for null); for tests and diagnostics.
int32_t References(const TPtImg *p);
// Add one reference (null and never-freed blocks are skipped).
void Prendre(TPtImg *p);
// Drop one reference; the block is freed when its count falls to 0.
void Relacher(TPtImg *p);
// A new block with one reference and n elements, uninitialised (null for n <= 0).
// Throws std::bad_alloc when the allocator fails.
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
    // Adopts the reference the caller holds (as from tableau::Nouveau).
    static TPtsImg Adopter(TPtImg *p) { return TPtsImg(p); }
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
    // A fresh block of n elements holding a copy of the first min(n, old) pixels.
    void Redimensionner(int32_t n);
    // Hands the reference over to the caller.
    TPtImg *Detacher() { return std::exchange(p_, nullptr); }

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
