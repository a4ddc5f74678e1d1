// File errors as the user reads them: one French message per system error,
// and the few file steps the dialogs need, each failing with that message.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace velmora {

// A file step that failed. what() is the French message (UTF-8), without the
// final period that the error box adds.
class ErreurFichier : public std::runtime_error {
public:
    // code: an errno value, or FinDeFichier.
    explicit ErreurFichier(int code);
    int Code() const { return code_; }

    // A read cut short by the end of the file (not an errno value).
    static constexpr int FinDeFichier = -1;

private:
    int code_;
};

// "Fichier introuvable", "Nom de fichier incorrect", "Trop de fichiers
// ouverts", "Accès au fichier refusé", "Lecture au-delà de la fin de fichier",
// "Disque plein", or "Erreur E/S <code>".
std::string MessageErreurFichier(int code);

// An open file; every step throws ErreurFichier, and the file is closed
// however the owner leaves.
class Fichier {
public:
    enum class Mode { Lecture, Ecriture /* created or truncated */ };
    Fichier(const std::filesystem::path &chemin, Mode mode);
    ~Fichier();
    Fichier(const Fichier &) = delete;
    Fichier &operator=(const Fichier &) = delete;

    // Reads up to n bytes; returns how many came (fewer only at the end of the file).
    std::size_t LireAuPlus(void *dest, std::size_t n);
    // Reads exactly n bytes; a short read keeps the bytes that came in dest
    // and throws FinDeFichier.
    void Lire(void *dest, std::size_t n);
    void Ecrire(const void *src, std::size_t n);
    // Closes now, reporting a failure of the close itself (late write errors).
    void Fermer();

private:
    int fd_ = -1;
};

// The bytes of the file up to its first CR or LF, or all of it.
std::string LirePremiereLigne(const std::filesystem::path &chemin);

// Creates or truncates the file and writes the bytes.
void EcrireFichier(const std::filesystem::path &chemin, std::string_view octets);

} // namespace velmora
