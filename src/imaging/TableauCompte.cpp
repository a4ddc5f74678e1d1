#include <velmora/memoire.h>

#include <atomic>
#include <new>

namespace velmora::tableau {
namespace {

struct EnTete {
    int32_t references;
    int32_t compte;
};
static_assert(sizeof(EnTete) == VELMORA_ENTETE_TABLEAU);

EnTete *EnTeteDe(const TPtImg *p) {
    return reinterpret_cast<EnTete *>(const_cast<char *>(reinterpret_cast<const char *>(p)) -
                                      sizeof(EnTete));
}

std::atomic_ref<int32_t> Compteur(const TPtImg *p) {
    return std::atomic_ref<int32_t>(EnTeteDe(p)->references);
}

} // namespace

int32_t Compte(const TPtImg *p) { return p ? EnTeteDe(p)->compte : 0; }

int32_t References(const TPtImg *p) { return p ? Compteur(p).load() : 0; }

void Prendre(TPtImg *p) {
    if (p && Compteur(p).load() >= 0) Compteur(p).fetch_add(1);
}

void Relacher(TPtImg *p) {
    if (!p || Compteur(p).load() < 0) return;
    if (Compteur(p).fetch_sub(1) == 1) memoire::Liberer(EnTeteDe(p));
}

TPtImg *Nouveau(int32_t n) {
    if (n <= 0) return nullptr;
    void *bloc = memoire::Allouer(sizeof(EnTete) + std::size_t(n) * sizeof(TPtImg));
    if (!bloc) throw std::bad_alloc();
    auto *e = static_cast<EnTete *>(bloc);
    e->references = 1;
    e->compte = n;
    return reinterpret_cast<TPtImg *>(e + 1);
}

} // namespace velmora::tableau
