# The Windows build: velmora.dll for 32-bit Windows hosts, and the console test
# host that checks it under Wine. Included by the top-level file when the
# toolchain targets Windows (cmake --preset win32), after the toolkit-free core.

# Exactly the four stdcall exports, undecorated, with their ordinals (the .def
# file); the version resource that PrmDLL reads back.
add_library(velmora SHARED src/plugin/Params.cpp src/dialogs/DialoguesAucun.cpp
            src/plugin/velmora.def src/plugin/velmora.rc)
set_target_properties(velmora PROPERTIES PREFIX "" OUTPUT_NAME velmora)
target_link_libraries(velmora PRIVATE velmora_version velmora_core)
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
# The export and import tables, as the linker wrote them.
find_program(VELMORA_OBJDUMP ${VELMORA_MINGW}-objdump REQUIRED)
add_test(NAME velmora_tables_pe COMMAND ${CMAKE_COMMAND}
  -DOBJDUMP=${VELMORA_OBJDUMP} -DDLL=$<TARGET_FILE:velmora>
  -P ${CMAKE_SOURCE_DIR}/tests/win32/TablesPE.cmake)
