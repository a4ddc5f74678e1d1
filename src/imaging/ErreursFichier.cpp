#include "ErreursFichier.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#ifdef _WIN32
// Binary mode (no newline translation) and not inherited; paths in UTF-16.
#include <io.h>
#include <sys/stat.h>
#define O_CLOEXEC (O_BINARY | O_NOINHERIT)
#endif

namespace velmora {

std::string MessageErreurFichier(int code) {
    switch (code) {
    case ErreurFichier::FinDeFichier: return "Lecture au-delà de la fin de fichier";
    case ENOENT: return "Fichier introuvable";
    case ENOTDIR: case ENAMETOOLONG: case EINVAL: case EILSEQ: case ELOOP:
        return "Nom de fichier incorrect";
    case EMFILE: case ENFILE: return "Trop de fichiers ouverts";
    // Opening a folder as a file is refused access, as on the original platform.
    case EACCES: case EPERM: case EISDIR: case EROFS: case ETXTBSY:
        return "Accès au fichier refusé";
    case ENOSPC: case EFBIG: return "Disque plein";
#ifdef EDQUOT
    case EDQUOT: return "Disque plein";
#endif
    default: return "Erreur E/S " + std::to_string(code);
    }
}

ErreurFichier::ErreurFichier(int code)
    : std::runtime_error(MessageErreurFichier(code)), code_(code) {}

Fichier::Fichier(const std::filesystem::path &chemin, Mode mode) {
    if (chemin.empty()) throw ErreurFichier(ENOENT);
    const int drapeaux = mode == Mode::Lecture ? O_RDONLY : (O_WRONLY | O_CREAT | O_TRUNC);
#ifdef _WIN32
    do fd_ = ::_wopen(chemin.c_str(), drapeaux | O_CLOEXEC, _S_IREAD | _S_IWRITE);
#else
    do fd_ = ::open(chemin.c_str(), drapeaux | O_CLOEXEC, 0666);
#endif
    while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        int code = errno;
        // A missing folder is a wrong name rather than a missing file: the
        // original platform told the two apart.
        std::error_code ec;
        if (code == ENOENT && chemin.has_parent_path() &&
            !std::filesystem::is_directory(chemin.parent_path(), ec))
            code = ENOTDIR;
        throw ErreurFichier(code);
    }
    if (mode == Mode::Lecture) {
        // open() succeeds on a folder; reading it would fail later with a
        // less helpful code.
        char c;
        if (::read(fd_, &c, 0) < 0 && errno == EISDIR) {
            ::close(fd_);
            fd_ = -1;
            throw ErreurFichier(EISDIR);
        }
    }
}

Fichier::~Fichier() {
    if (fd_ >= 0) ::close(fd_);
}

std::size_t Fichier::LireAuPlus(void *dest, std::size_t n) {
    auto *p = static_cast<char *>(dest);
    std::size_t lu = 0;
    while (lu < n) {
        const ssize_t r = ::read(fd_, p + lu, n - lu);
        if (r < 0) {
            if (errno == EINTR) continue;
            throw ErreurFichier(errno);
        }
        if (r == 0) break;
        lu += std::size_t(r);
    }
    return lu;
}

void Fichier::Lire(void *dest, std::size_t n) {
    if (LireAuPlus(dest, n) < n) throw ErreurFichier(ErreurFichier::FinDeFichier);
}

void Fichier::Ecrire(const void *src, std::size_t n) {
    const auto *p = static_cast<const char *>(src);
    while (n > 0) {
        const ssize_t r = ::write(fd_, p, n);
        if (r < 0) {
            if (errno == EINTR) continue;
            throw ErreurFichier(errno);
        }
        if (r == 0) throw ErreurFichier(ENOSPC);
        p += r;
        n -= std::size_t(r);
    }
}

void Fichier::Fermer() {
    if (fd_ < 0) return;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) < 0 && errno != EINTR) throw ErreurFichier(errno);
}

std::string LirePremiereLigne(const std::filesystem::path &chemin) {
    Fichier f(chemin, Fichier::Mode::Lecture);
    std::string ligne;
    char tampon[4096];
    for (;;) {
        const std::size_t n = f.LireAuPlus(tampon, sizeof tampon);
        for (std::size_t i = 0; i < n; ++i) {
            if (tampon[i] == '\r' || tampon[i] == '\n') {
                f.Fermer();
                return ligne;
            }
            ligne += tampon[i];
        }
        if (n < sizeof tampon) break;
    }
    f.Fermer();
    return ligne;
}

void EcrireFichier(const std::filesystem::path &chemin, std::string_view octets) {
    Fichier f(chemin, Fichier::Mode::Ecriture);
    f.Ecrire(octets.data(), octets.size());
    f.Fermer();
}

} // namespace velmora
