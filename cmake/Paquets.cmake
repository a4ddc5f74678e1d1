# The Debian packages, made by CPack's DEB generator from the install
# components (cmake/Installation.cmake): scripts/paquets.sh configures a build
# for the /usr prefix and runs it. CPack rather than a debian/ folder: the
# packages come from the same build and install rules as everything else, the
# version is project()'s, and no second record of either has to be kept.
#   velmora        the library and velmora-host
#   velmora-gimp   the GIMP bridge, for the GIMP it was built for
#   velmora-dev    headers, the shared memory manager, velmora.pc
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/paquets)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${VELMORA_COMPOSANTS})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELMORA_MAINTENEUR}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# velmora-gimp and velmora-dev need the velmora of the same version.
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Directories a package creates are 0755 whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_VELMORA_PACKAGE_NAME velmora)
set(CPACK_DEBIAN_VELMORA_PACKAGE_SECTION graphics)
# Qt's image plug-ins read TIFF, WebP and TGA (the desktop entry offers them);
# its platform plug-ins are what the host needs to start at all, with or
# without a display. Qt's French texts are a nicety.
set(CPACK_DEBIAN_VELMORA_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-image-formats-plugins")
set(CPACK_DEBIAN_VELMORA_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_VELMORA_PACKAGE_SUGGESTS "velmora-gimp")
set(CPACK_COMPONENT_VELMORA_DESCRIPTION
"colour-correction plug-in and its reference host
Velmora is a colour-correction plug-in for image editors, loaded as a shared
library. Its nine operations: inversion; manual luminosity, gamma, contrast
and saturation; gamma curves; a luminosity curve; automatic levels for
luminosity and for colours; colour balance from reference zones; grain or
noise; toned monochrome.
.
This package holds the plug-in (velmora.so) and velmora-host, a program that
opens, corrects and saves images with it, in a window or from the command
line, keeping their transparency, metadata and colour profile.")

set(CPACK_DEBIAN_PONTGIMP_PACKAGE_NAME velmora-gimp)
set(CPACK_DEBIAN_PONTGIMP_PACKAGE_SECTION graphics)
set(CPACK_COMPONENT_PONTGIMP_DEPENDS velmora)
set(CPACK_DEBIAN_PONTGIMP_PACKAGE_DEPENDS "${VELMORA_GIMP_DEPENDANCES}")
set(CPACK_DEBIAN_PONTGIMP_PACKAGE_ENHANCES gimp)
set(CPACK_COMPONENT_PONTGIMP_DESCRIPTION
"Velmora colour-correction operations in GIMP
A GIMP plug-in that hosts the Velmora plug-in: its nine operations appear
under Colors > Velmora for every user, working on the selection with one undo
step each, and can be called from scripts (plug-in-velmora-inversion,
plug-in-velmora-auto-couleurs...).")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME velmora-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DEPENDS velmora)
set(CPACK_COMPONENT_DEV_DESCRIPTION
"development files for hosts of the Velmora plug-in
The C interface of the Velmora colour-correction plug-in (velmora/plugin.h),
its settings entry (velmora/reglages.h), the memory manager that a host and
the plug-in share (velmora/memoire.h and its static library, C++20) and
velmora.pc, which also gives the installed plug-in's path (variable module).")

include(CPack)
