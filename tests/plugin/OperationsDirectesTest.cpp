// The direct operations (1, 5, 6) through the built library, where the host's
// array or the process is not what the plug-in hopes for: a negative count,
// a callback that reads the reference count, threads that cannot start.
// Each case that could take the process down runs in a child of its own.
#include "HotePlugin.h"

#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

using banc::Image;
using banc::Plugin;

namespace {

Plugin &P() { return Plugin::Instance(); }

// Runs corps() in a forked child; its exit code, or 128 + the signal that ended it.
int DansUnEnfant(const std::function<int()> &corps) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        const int code = corps();
        std::fflush(nullptr);
        _exit(code);
    }
    int etat = 0;
    waitpid(pid, &etat, 0);
    return WIFEXITED(etat) ? WEXITSTATUS(etat) : 128 + WTERMSIG(etat);
}

} // namespace

// A header with count -1 is an empty array for all three: nothing read or
// written, the host told as for an empty image. The block is constant
// (reference count -1), as a host keeps a literal array.
TEST(OperationsDirectes, CompteNegatifTableauVide) {
    P();
    for (uint32_t op : {1u, 5u, 6u}) {
        SCOPED_TRACE(op);
        const int code = DansUnEnfant([op] {
            P().Brancher();
            alignas(4) unsigned char bloc[8 + 12] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                     1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
            unsigned char avant[sizeof bloc];
            std::memcpy(avant, bloc, sizeof bloc);
            P().Executer(op, reinterpret_cast<TPtImg *>(bloc + 8), 2, 2);
            if (std::memcmp(avant, bloc, sizeof bloc) != 0) return 1;
            if (P().appels.size() != 1) return 2;
            const banc::Appel &a = P().appels[0];
            return a.largeur == 2 && a.hauteur == 2 && a.imageModifiee == 1 && a.fin == 1 ? 0 : 3;
        });
        EXPECT_EQ(code, 0) << "1: bytes changed, 2: no single callback, 3: wrong callback, >128: signal";
    }
}

// The inversion takes its reference before it starts and gives it back after
// the callback: a host reading the count there sees its own, the boundary's
// and the inversion's.
TEST(OperationsDirectes, InversionTientSaReferencePendantLeRetour) {
    P().Brancher();
    Image img(5, 3);
    img.Remplir(4);
    int32_t pendant = 0;
    P().PendantAppel = [&](const banc::Appel &) { pendant = img.References(); };
    P().Executer(1, img.pixels, 5, 3);
    ASSERT_EQ(P().appels.size(), 1u);
    EXPECT_EQ(pendant, 3);
    EXPECT_EQ(img.References(), 1);
}

// With no thread to be had (a process limit, or a crowded address space that
// cannot take another stack; here every new thread asks for more address space
// than there is), each operation still changes the whole image, exactly as
// with its threads, and the host is told.
TEST(OperationsDirectes, SansFilPossibleLImageEstEntiere) {
    if (std::thread::hardware_concurrency() < 2)
        GTEST_SKIP() << "one processor: the operations start no thread on this machine";
    P();
    for (uint32_t op : {1u, 5u, 6u}) {
        SCOPED_TRACE(op);
        // 1024 x 1024: split across the cores.
        Image attendu(1024, 1024);
        attendu.Remplir(op);
        const auto avant = attendu.Octets();
        P().Brancher();
        P().Executer(op, attendu.pixels, 1024, 1024);
        ASSERT_NE(attendu.Octets(), avant);
        const auto reference = attendu.Octets();

        const int code = DansUnEnfant([&] {
            pthread_attr_t attributs;
            if (pthread_getattr_default_np(&attributs) != 0 ||
                pthread_attr_setstacksize(&attributs, std::size_t(1) << 50) != 0 ||
                pthread_setattr_default_np(&attributs) != 0)
                return 10;
            try {
                std::thread([] {}).join();
                return 11; // threads still start: nothing shown
            } catch (const std::system_error &) {
            }
            P().Brancher();
            Image img(1024, 1024);
            img.Remplir(op);
            P().Executer(op, img.pixels, 1024, 1024);
            if (img.Octets() != reference) return 1;
            if (P().appels.size() != 1) return 2;
            return P().appels[0].imageModifiee == 1 && P().appels[0].fin == 1 ? 0 : 3;
        });
        EXPECT_EQ(code, 0) << "1: image not as with threads, 2: no single callback, 3: wrong "
                              "callback, 10/11: threads could not be refused, >128: signal";
    }
}
