# The Windows builds: velmora.dll for 32-bit or 64-bit Windows hosts, and the
# test hosts that check it under Wine. Included by the top-level file when the
# toolchain targets Windows (cmake --preset win32 or win64), after the
# toolkit-free core.

# Exactly the four stdcall exports, undecorated, with their ordinals (the .def
# file); the version resource that PrmDLL reads back.
# The dialogs on native controls (src/win32: the Windows back end of the forms).
file(GLOB VELMORA_WIN32_SRC CONFIGURE_DEPENDS src/win32/*.cpp src/win32/*.h)
add_library(velmora SHARED src/plugin/Params.cpp src/dialogs/Dialogues.cpp ${VELMORA_WIN32_SRC}
            src/plugin/velmora.def src/plugin/velmora.rc)
set_target_properties(velmora PROPERTIES PREFIX "" OUTPUT_NAME velmora)
target_link_libraries(velmora PRIVATE velmora_version velmora_core comctl32 comdlg32 gdi32 user32)
# --kill-at drops the @n that the compiler's own export directives would add
# beside the .def names.
target_link_options(velmora PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
target_link_libraries(velmora_version PUBLIC version)

# The test host: loads velmora.dll by name from its own folder, as a host does.
add_executable(velmora-hosttest tests/win32/HoteTest.cpp)
target_include_directories(velmora-hosttest PRIVATE include)
target_link_libraries(velmora-hosttest PRIVATE version)
add_dependencies(velmora-hosttest velmora)

# What the Linux library gave on the same input (written by build/velmora-attendus).
set(VELMORA_ATTENDUS ${CMAKE_BINARY_DIR}/attendus.bin CACHE FILEPATH
    "Expected bytes written by the Linux build's velmora-attendus")

enable_testing()
# Runs under Wine (the toolchain's emulator) in a prefix of its own, with no
# window system and no prompts for Wine's optional components.
add_test(NAME velmora_hosttest COMMAND velmora-hosttest ${VELMORA_ATTENDUS})
set_tests_properties(velmora_hosttest PROPERTIES
  ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wine;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=;DISPLAY="
  PASS_REGULAR_EXPRESSION "[0-9]+ passed, 0 failed"
  FAIL_REGULAR_EXPRESSION "ECHEC"
  TIMEOUT 600)
# The dialogs, driven on a virtual display: velmora-dialoguestest.exe plays the
# scenarios of tests/win32/Scenarios.h and compares with the Linux library's
# results (build/velmora-attendus-dialogues); screenshots land in this folder.
add_executable(velmora-dialoguestest tests/win32/DialoguesTest.cpp)
target_include_directories(velmora-dialoguestest PRIVATE include)
target_link_libraries(velmora-dialoguestest PRIVATE comctl32 gdi32 user32)
add_dependencies(velmora-dialoguestest velmora)
set(VELMORA_ATTENDUS_DIALOGUES ${CMAKE_BINARY_DIR}/attendus-dialogues.bin CACHE FILEPATH
    "Expected dialog results written by the Linux build's velmora-attendus-dialogues")
find_program(VELMORA_XVFB_RUN xvfb-run REQUIRED)
# A Wine prefix of its own, whose virtual desktop lives on the virtual display.
add_test(NAME velmora_dialogues
  COMMAND ${VELMORA_XVFB_RUN} -a -s "-screen 0 1024x768x24"
          sh ${CMAKE_SOURCE_DIR}/tests/win32/BureauVirtuel.sh ${VELMORA_WINE}
          $<TARGET_FILE:velmora-dialoguestest> ${VELMORA_ATTENDUS_DIALOGUES} ${CMAKE_BINARY_DIR})
set_tests_properties(velmora_dialogues PROPERTIES
  ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wine-dialogues;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml="
  PASS_REGULAR_EXPRESSION "[0-9]+ passed, 0 failed"
  FAIL_REGULAR_EXPRESSION "ECHEC"
  TIMEOUT 600)
# The export and import tables, as the linker wrote them.
find_program(VELMORA_OBJDUMP ${VELMORA_MINGW}-objdump REQUIRED)
add_test(NAME velmora_tables_pe COMMAND ${CMAKE_COMMAND}
  -DOBJDUMP=${VELMORA_OBJDUMP} -DDLL=$<TARGET_FILE:velmora>
  -P ${CMAKE_SOURCE_DIR}/tests/win32/TablesPE.cmake)

# What the walk for the shared page costs under Wine (run by hand, not a test):
#   wine build-win32/velmora-parcours-page.exe [REPETITIONS]
#   /usr/lib/wine/wine64 build-win64/velmora-parcours-page.exe [REPETITIONS]
add_executable(velmora-parcours-page bench/win32/ParcoursPage.cpp ${VELMORA_MEMOIRE_PLATEFORME})
target_include_directories(velmora-parcours-page PRIVATE include)
add_dependencies(velmora-parcours-page velmora)
