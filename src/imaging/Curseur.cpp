#include "Curseur.h"

namespace velmora {

namespace {
ActionsCurseur actionsCurseur;
}

void InstallerCurseur(ActionsCurseur actions) { actionsCurseur = actions; }

CurseurAttente::CurseurAttente() {
    if (actionsCurseur.Attente) {
        actionsCurseur.Attente();
        normal_ = actionsCurseur.Normal;
    }
}

CurseurAttente::~CurseurAttente() {
    if (normal_) normal_();
}

} // namespace velmora
