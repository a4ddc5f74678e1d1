#include "Application.h"

#include "../Curseur.h"

#include <QApplication>
#include <QCursor>

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

} // namespace

bool AssurerApplication() {
    if (!QCoreApplication::instance()) {
        // argc and argv must outlive the application object.
        static int argc = 1;
        static char nom[] = "velmora";
        static char *argv[] = {nom, nullptr};
        creeeIci = new QApplication(argc, argv);
    }
    if (!ApplicationGraphique()) return false;
    if (application != QCoreApplication::instance() || !vivante) {
        application = QCoreApplication::instance();
        vivante = true;
        OublierSurveillance();
        surveillance = new QMetaObject::Connection(
            QObject::connect(application, &QObject::destroyed, [] { vivante = false; }));
    }
    return true;
}

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
