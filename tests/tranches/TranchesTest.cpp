// The parallel loop and the automatic adjustments when a worker thread cannot
// start or runs out of memory. A program of its own: it replaces the C++
// allocator, so that allocations fail on demand in the workers only.
#include <velmora/memoire.h>
#include "dialogs/GrainOuBr/GrainOuBr.h"
#include "imaging/BouclePixels.h"
#include "operations/AjustAuto.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <random>
#include <system_error>
#include <thread>
#include <vector>

namespace {
std::atomic<bool> echecDansLesFils{false};
const std::thread::id filPrincipal = std::this_thread::get_id();
} // namespace

// Every allocation of the program comes here; armed, it fails on any thread
// but the test's own.
// The allocator's own pair: what operator new takes from malloc, operator
// delete gives back to free (which the compiler, seeing through both, would
// otherwise take for a mismatch).
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void *operator new(std::size_t n) {
    if (echecDansLesFils.load() && std::this_thread::get_id() != filPrincipal) throw std::bad_alloc();
    if (void *p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

using namespace velmora;

namespace {

// Armed for the lifetime of the object.
struct EchecDansLesFils {
    EchecDansLesFils() { echecDansLesFils = true; }
    ~EchecDansLesFils() { echecDansLesFils = false; }
};

// For the lifetime of the object, every new thread asks for a stack larger
// than the address space: none can start.
class SansFil {
public:
    SansFil() {
        pthread_getattr_default_np(&avant_);
        pthread_attr_t a;
        pthread_getattr_default_np(&a);
        pret_ = pthread_attr_setstacksize(&a, std::size_t(1) << 50) == 0 &&
                pthread_setattr_default_np(&a) == 0;
        pthread_attr_destroy(&a);
    }
    ~SansFil() {
        pthread_setattr_default_np(&avant_);
        pthread_attr_destroy(&avant_);
    }
    // Whether threads are really refused now.
    bool Pret() const {
        if (!pret_) return false;
        try {
            std::thread([] {}).join();
            return false;
        } catch (const std::system_error &) {
            return true;
        }
    }

private:
    pthread_attr_t avant_{};
    bool pret_ = false;
};

constexpr std::size_t Grand = std::size_t(1) << 20; // split across the cores

bool PlusieursCoeurs() { return std::thread::hardware_concurrency() >= 2; }

TPtsImg Aleatoire(std::size_t n, uint32_t graine) {
    TPtsImg img = TPtsImg::Creer(int32_t(n));
    std::mt19937 alea(graine);
    for (std::size_t i = 0; i < n; ++i)
        img[i] = {uint8_t(alea()), uint8_t(alea() % 200), uint8_t(40 + alea() % 100)};
    return img;
}

std::vector<uint8_t> Octets(const TPtsImg &img) {
    const auto *o = reinterpret_cast<const uint8_t *>(img.data());
    return {o, o + std::size_t(img.size()) * 3};
}

} // namespace

// No thread to be had: the slices no thread took run on the calling thread,
// each once.
TEST(Tranches, SansFilToutesLesTranchesUneFois) {
    if (!PlusieursCoeurs()) GTEST_SKIP() << "one processor: the loop starts no thread on this machine";
    SansFil sansFil;
    ASSERT_TRUE(sansFil.Pret()) << "threads could not be refused";
    std::vector<uint8_t> vus(Grand, 0);
    std::size_t tranches = 0;
    PourTranches(Grand, [&](std::size_t d, std::size_t f) {
        ++tranches; // all on this thread
        for (std::size_t i = d; i < f; ++i) ++vus[i];
    });
    EXPECT_GE(tranches, 2u);
    for (std::size_t i = 0; i < Grand; ++i) ASSERT_EQ(vus[i], 1) << i;
}

// What a worker throws reaches the caller once every slice has ended, instead
// of ending the process.
TEST(Tranches, UneErreurDansUnFilRevientAuxAppelant) {
    if (!PlusieursCoeurs()) GTEST_SKIP() << "one processor: the loop starts no thread on this machine";
    std::vector<std::atomic<int>> vus(Grand);
    std::atomic<std::size_t> finies{0};
    EXPECT_THROW(PourTranches(Grand,
                              [&](std::size_t d, std::size_t f) {
                                  for (std::size_t i = d; i < f; ++i) ++vus[i];
                                  ++finies;
                                  if (std::this_thread::get_id() != filPrincipal) throw std::bad_alloc();
                              }),
                 std::bad_alloc);
    // Every slice had run by then, the failing ones included.
    for (std::size_t i = 0; i < Grand; ++i) ASSERT_EQ(vus[i].load(), 1) << i;
    EXPECT_GE(finies.load(), 2u);
}

// Operations 5 and 6 run out of memory in a worker of their histogram pass:
// the failure leaves the operation and the image is as it was.
TEST(Tranches, AjustAutoSansMemoireDansUnFilLaisseLImage) {
    if (!PlusieursCoeurs()) GTEST_SKIP() << "one processor: the operations start no thread on this machine";
    for (auto op : {&AjustAutoLum, &AjustAutoCoul}) {
        TPtsImg img = Aleatoire(Grand, 3);
        const auto avant = Octets(img);
        {
            EchecDansLesFils echec;
            EXPECT_THROW(op(img.data()), std::bad_alloc);
        }
        EXPECT_EQ(Octets(img), avant);
        EXPECT_EQ(tableau::References(img.data()), 1);
        // And with memory again, the operation runs.
        op(img.data());
        EXPECT_NE(Octets(img), avant);
    }
}

// Without threads, operations 5 and 6 give what they give with them.
TEST(Tranches, AjustAutoSansFilCommeAvec) {
    if (!PlusieursCoeurs()) GTEST_SKIP() << "one processor: the operations start no thread on this machine";
    for (auto op : {&AjustAutoLum, &AjustAutoCoul}) {
        TPtsImg avec = Aleatoire(Grand, 5), sans = Aleatoire(Grand, 5);
        op(avec.data());
        {
            SansFil sansFil;
            ASSERT_TRUE(sansFil.Pret()) << "threads could not be refused";
            op(sans.data());
        }
        EXPECT_EQ(Octets(sans), Octets(avec));
    }
}

// Without threads, the grain gives what it gives with them: the same bytes and
// the generator left in the same state. The pseudo-random method makes its
// noise ahead on another thread (in integers or in doubles, by the settings);
// with none to be had, the caller makes and filters each block in turn. The
// spots share their bands among the cores.
TEST(Tranches, GrainSansFilCommeAvec) {
    if (!PlusieursCoeurs()) GTEST_SKIP() << "one processor: the grain starts no thread on this machine";
    using namespace grainoubr;
    const int32_t largeur = 1024; // 1024 x 1024: many blocks of noise, many bands
    const TPtsImg image = Aleatoire(Grand, 7);
    const struct {
        const char *nom;
        bool taches;
        int32_t txcl, ord1, ord2;
    } cas[] = {
        {"pseudo-random, integer filter", false, 5, 2, 2}, // t = 1/2, whole weights
        {"pseudo-random, double filter", false, 3, 3, 2},  // t = 3/10
        {"spots", true, 5, 2, 2},
    };
    for (const auto &c : cas) {
        SCOPED_TRACE(c.nom);
        Reglages r;
        r.DefinirNiveau(180);
        r.DefinirTxCl(c.txcl);
        r.DefinirDstPt(7);
        r.DefinirOrd1(c.ord1);
        r.DefinirOrd2(c.ord2);
        auto calculer = [&](TPtsImg &sortie) {
            GraineAlea = 12345;
            if (c.taches)
                MethodeTaches(image.data(), sortie.data(), largeur, int32_t(Grand) / largeur, r);
            else
                MethodePseudoAlea(image.data(), sortie.data(), Grand, largeur, r);
            return GraineAlea;
        };
        TPtsImg avec = Aleatoire(Grand, 8), sans = Aleatoire(Grand, 8);
        const auto avant = Octets(avec);
        const uint32_t finAvec = calculer(avec);
        ASSERT_NE(Octets(avec), avant);
        uint32_t finSans = 0;
        {
            SansFil sansFil;
            ASSERT_TRUE(sansFil.Pret()) << "threads could not be refused";
            finSans = calculer(sans);
        }
        EXPECT_EQ(finSans, finAvec);
        const auto a = Octets(avec), b = Octets(sans);
        const auto ecart = std::mismatch(a.begin(), a.end(), b.begin());
        EXPECT_TRUE(ecart.first == a.end()) << "first byte off: " << (ecart.first - a.begin());
    }
}
