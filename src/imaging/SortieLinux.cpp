#include "Sortie.h"

#include <semaphore.h>

#include <new>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

// libc's registration of exit handlers (what atexit is built on); a handler given no
// module handle runs at process exit only, never when a library is unloaded.
extern "C" int __cxa_atexit(void (*)(void *), void *, void *);

namespace velmora::sortie {
namespace {
// Posted by the exit handler. It and the handler live in libc and on the heap,
// so they outlast an unload of this library.
sem_t *signal = nullptr;
} // namespace

void Guetter() {
    if (signal) return;
    // Kept for the handler, also after an unload. Without memory at load the
    // library goes on without it (an exit is then taken for an unload) and
    // the next call tries again.
    signal = new (std::nothrow) sem_t;
    if (!signal) return;
#ifdef __SANITIZE_ADDRESS__
    __lsan_ignore_object(signal);
#endif
    sem_init(signal, 0, 0);
    // sem_post(sem_t *) called as void (*)(void *): the same call on every ABI we build for.
    __cxa_atexit(reinterpret_cast<void (*)(void *)>(reinterpret_cast<void (*)()>(&sem_post)),
                 signal, nullptr);
}

bool EnCours() {
    int valeur = 0;
    return signal && sem_getvalue(signal, &valeur) == 0 && valeur > 0;
}

} // namespace velmora::sortie
