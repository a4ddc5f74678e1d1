#include "Application.h"

#include "imaging/Curseur.h"

#include <QApplication>
#include <QCursor>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace velmora::qt {
namespace {

// The application object the dialogs were made under, and whether we made it.
// Plain pointers: they are read by the unload code, whose order against other
// files' static objects is not fixed.
QCoreApplication *application = nullptr;
bool vivante = false;
// Our watch on its destruction; dropped at unload, since its code leaves with us.
QMetaObject::Connection *surveillance = nullptr;

void OublierSurveillance() {
    if (surveillance) QObject::disconnect(*surveillance);
    delete surveillance;
    surveillance = nullptr;
}
QApplication *creeeIci = nullptr;
uint64_t generation = 0;

bool ApplicationGraphique() {
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
}

void CurseurAttente() {
    if (ApplicationGraphique()) QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void CurseurNormal() {
    if (ApplicationGraphique()) QApplication::restoreOverrideCursor();
}

// From the library's load on, so that the direct operations show it too when
// the host has a user interface; the actions check for one at each call.
const bool curseurInstalle = (InstallerCurseur({&CurseurAttente, &CurseurNormal}), true);

bool Defini(const char *variable) {
    const char *v = std::getenv(variable);
    return v && *v;
}

// Whether an X server answers at DISPLAY: a local display ":N" has its socket
// file; a remote one is taken on trust.
bool AffichageX() {
    const char *d = std::getenv("DISPLAY");
    if (!d || !*d) return false;
    std::string s = d;
    if (s.rfind("unix:", 0) == 0) s = s.substr(4);
    if (s.empty() || s[0] != ':') return true;
    const std::string numero = s.substr(1, s.find('.') == std::string::npos ? std::string::npos
                                                                          : s.find('.') - 1);
    struct stat st;
    return stat(("/tmp/.X11-unix/X" + numero).c_str(), &st) == 0;
}

// Making the application object with no platform to open aborts the whole
// process: the host would die with us. Only platforms that can be opened here.
bool PlateformeDisponible() {
    if (Defini("QT_QPA_PLATFORM")) {
        const std::string p = std::getenv("QT_QPA_PLATFORM");
        if (p.find("offscreen") != std::string::npos || p.find("minimal") != std::string::npos ||
            p.find("vnc") != std::string::npos || p.find("eglfs") != std::string::npos ||
            p.find("linuxfb") != std::string::npos)
            return true;
        if (p.find("wayland") != std::string::npos && Defini("WAYLAND_DISPLAY")) return true;
        return p.find("xcb") != std::string::npos && AffichageX();
    }
    return Defini("WAYLAND_DISPLAY") || AffichageX();
}

} // namespace

bool AssurerApplication() {
    if (!QCoreApplication::instance()) {
        if (!PlateformeDisponible()) {
            static bool dit = false;
            if (!dit)
                std::fputs("velmora : aucun affichage disponible (DISPLAY, WAYLAND_DISPLAY ou "
                           "QT_QPA_PLATFORM), les dialogues ne s'ouvrent pas\n",
                           stderr);
            dit = true;
            return false;
        }
        // argc and argv must outlive the application object.
        static int argc = 1;
        static char nom[] = "velmora";
        static char *argv[] = {nom, nullptr};
        creeeIci = new QApplication(argc, argv);
        // Our captions are French: so are then the boxes Qt draws (files, colours,
        // their buttons). A host's own application object keeps its language.
        auto *traduction = new QTranslator(creeeIci);
        if (traduction->load(QStringLiteral("qtbase_fr"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(traduction);
    }
    if (!ApplicationGraphique()) return false;
    if (application != QCoreApplication::instance() || !vivante) {
        ++generation;
        application = QCoreApplication::instance();
        vivante = true;
        OublierSurveillance();
        surveillance = new QMetaObject::Connection(
            QObject::connect(application, &QObject::destroyed, [] { vivante = false; }));
    }
    return true;
}

uint64_t GenerationApplication() { return generation; }

bool ApplicationVivante() {
    return vivante && application && QCoreApplication::instance() == application;
}

void LibererApplication() {
    InstallerCurseur({});
    OublierSurveillance();
    if (creeeIci && QCoreApplication::instance() == creeeIci) delete creeeIci;
    creeeIci = nullptr;
    application = nullptr;
    vivante = false;
}

} // namespace velmora::qt
