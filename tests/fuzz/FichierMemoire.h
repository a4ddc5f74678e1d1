// The fuzz input as a file the loaders open by name, without touching the disk:
// one memory file per process, rewritten for each input.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace velmora::fuzz {

inline const std::string &FichierMemoire(const uint8_t *donnees, std::size_t taille) {
    static const int fd = ::memfd_create("entree", 0);
    static const std::string chemin = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ::ftruncate(fd, 0) != 0) std::abort();
    std::size_t fait = 0;
    while (fait < taille) {
        const ssize_t n = ::pwrite(fd, donnees + fait, taille - fait, off_t(fait));
        if (n <= 0) std::abort();
        fait += std::size_t(n);
    }
    return chemin;
}

} // namespace velmora::fuzz
