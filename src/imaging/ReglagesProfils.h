// The settings of the two curve dialogs, written once: a profile file, or the
// curves themselves inline (what a hand-drawn curve that was never saved needs
// to be applied again). Each room gives its fields, its curves in the order of
// its file blocks, and its file loader. Toolkit-free.
#pragma once

#include "EditeurProfil.h"
#include "Reglages.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmora::reglagesprofils {

// The two fields' names: "profil" (Genre::Fichier) and "courbes" (Genre::Entiers,
// each curve's entries -3..258 in the file's block order: the file's integers).
inline constexpr const char *NomProfil = "profil";
inline constexpr const char *NomCourbes = "courbes";

// Loads a file into the curves as the dialog's "Charger" does; returns how many
// curves it read (those after are left as they were). Throws ErreurFichier.
using Chargeur = std::function<std::size_t(const std::filesystem::path &)>;

// What reading the file as settings gives: the file's curves, the others at the
// identity (a one-block file in the gamma dialog).
struct Charge {
    std::string Fichier;             // UTF-8, as the record holds it
    std::vector<TProfil> Courbes;
};

// The record's curves into courbes, which start at the identity: the file through
// charger, the inline list, or nothing (the dialog's starting curves). Throws
// reglages::ErreurReglage naming the file when it cannot be read (the curves
// then keep what was read, as a failed load leaves them) or when both fields are
// given. On success returns what the file gave, if one was read.
std::optional<Charge> LireCourbes(const reglages::Enregistrement &r, std::span<TProfil *const> courbes,
                                  const Chargeur &charger);

// A record that gives these curves back: the file alone when they are what it
// gave (charge), nothing for the identity, else the curves inline.
reglages::Enregistrement Retenir(std::span<const reglages::Champ> champs,
                                 std::span<const TProfil *const> courbes,
                                 const std::optional<Charge> &charge);

// The curves after a load of n of them: the loaded ones, the rest at the identity.
Charge Lue(std::string fichier, std::span<const TProfil *const> courbes, std::size_t n);

} // namespace velmora::reglagesprofils
