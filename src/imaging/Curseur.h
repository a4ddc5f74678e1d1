// The busy cursor around a computation. The rules know nothing of the
// toolkit: a user interface installs the two actions; headless, nothing shows.
#pragma once

namespace velmora {

struct ActionsCurseur {
    void (*Attente)() = nullptr;   // show the hourglass
    void (*Normal)() = nullptr;    // back to the default cursor
};

void InstallerCurseur(ActionsCurseur actions);

// Hourglass for the lifetime of the object, restored also when the work throws.
class CurseurAttente {
public:
    CurseurAttente();
    ~CurseurAttente();
    CurseurAttente(const CurseurAttente &) = delete;
    CurseurAttente &operator=(const CurseurAttente &) = delete;

private:
    void (*normal_)() = nullptr;
};

} // namespace velmora
