# What `cmake --install <build>` puts in the system, in the GNUInstallDirs
# layout (DESTDIR honoured), in three components that are also the three
# Debian packages (cmake/Paquets.cmake):
#   velmora   the library in a folder of its own (<libdir>/velmora/velmora.so,
#             where hosts look by default), velmora-host, its manual page,
#             desktop entry and icon, the sample photograph
#   pontgimp  the GIMP bridge in GIMP's own plug-in folder (gimp/CMakeLists.txt)
#   dev       the public headers, the shared memory manager a host links, velmora.pc
# The per-user GIMP install (--component gimp) is apart and never in these.

# The library is a module to load, not to run.
install(TARGETS velmora LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/velmora
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ COMPONENT velmora)
install(TARGETS velmora-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT velmora)

# Manual pages go compressed, without a time stamp in the gzip header, so that
# two builds of one source give the same file.
find_program(VELMORA_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/velmora-host.1.gz
  COMMAND ${VELMORA_GZIP} -9nc ${CMAKE_SOURCE_DIR}/data/velmora-host.1 > ${CMAKE_BINARY_DIR}/velmora-host.1.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/data/velmora-host.1 VERBATIM)
# The Debian changelog of this version, dated by SOURCE_DATE_EPOCH when set.
set(VELMORA_MAINTENEUR "Velmora maintainers <maintainers@users.noreply.c-seed-3f54b657.example>"
    CACHE STRING "Maintainer of the Debian packages")
string(TIMESTAMP velmora_date_paquet "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_SOURCE_DIR}/data/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
  COMMAND ${VELMORA_GZIP} -9nc ${CMAKE_BINARY_DIR}/changelog > ${CMAKE_BINARY_DIR}/changelog.gz
  DEPENDS ${CMAKE_BINARY_DIR}/changelog VERBATIM)
add_custom_target(velmora_pages_installees ALL
  DEPENDS ${CMAKE_BINARY_DIR}/velmora-host.1.gz ${CMAKE_BINARY_DIR}/changelog.gz)

install(FILES ${CMAKE_BINARY_DIR}/velmora-host.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT velmora)
install(FILES data/velmora-host.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT velmora)
install(FILES data/velmora-host.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        COMPONENT velmora)
install(FILES samples/coffee.png DESTINATION ${CMAKE_INSTALL_DATADIR}/velmora/samples
        COMPONENT velmora)

install(FILES include/velmora/plugin.h include/velmora/reglages.h include/velmora/memoire.h
              include/velmora/windows1252.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/velmora COMPONENT dev)
install(TARGETS velmora_memoire ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
configure_file(data/velmora.pc.in ${CMAKE_BINARY_DIR}/velmora.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/velmora.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT dev)

# Each package's own documentation folder: the licences and the changelog.
foreach(composant paquet IN ZIP_LISTS VELMORA_COMPOSANTS VELMORA_PAQUETS)
  install(FILES data/copyright ${CMAKE_BINARY_DIR}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${paquet} COMPONENT ${composant})
endforeach()
