# Checks velmora.dll's export and import tables with objdump -p:
# exactly XchgData @1, AddMenu @2, PrmDLL @3, AdrRetour @4, undecorated; and
# nothing imported but the system's own DLLs (the run-times are linked in).
#   cmake -DOBJDUMP=... -DDLL=... -P TablesPE.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE sortie RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "objdump -p ${DLL} a échoué")
endif()
set(erreurs "")

# Exports: "[Ordinal/Name Pointer] Table" lists "[index] name"; ordinal = index + base.
string(REGEX MATCH "Ordinal Base[ \t]+([0-9]+)" _ "${sortie}")
set(base "${CMAKE_MATCH_1}")
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(([ \t]+\\[[ 0-9]+\\] [^\n]+\n)*)" _ "${sortie}")
string(REGEX MATCHALL "\\[[ 0-9]+\\] [^\n]+" lignes "${CMAKE_MATCH_1}")
set(exports "")
foreach(l IN LISTS lignes)
  string(REGEX MATCH "\\[ *([0-9]+)\\] (.+)" _ "${l}")
  math(EXPR ordinal "${CMAKE_MATCH_1} + ${base}")
  list(APPEND exports "${CMAKE_MATCH_2}@${ordinal}")
endforeach()
list(SORT exports)
set(attendus "AddMenu@2;AdrRetour@4;PrmDLL@3;XchgData@1")
if(NOT exports STREQUAL attendus)
  string(APPEND erreurs "exports : ${exports} au lieu de ${attendus}\n")
endif()
string(REGEX MATCH "Export Address Table[ \t]+([0-9a-fA-F]+)" _ "${sortie}")
set(nombre "${CMAKE_MATCH_1}")
if(NOT nombre MATCHES "^0*4$")
  string(APPEND erreurs "la table d'adresses compte ${nombre} (hex) entrées au lieu de 4\n")
endif()

# Imports: only DLLs every Windows system has.
set(systeme kernel32.dll user32.dll gdi32.dll advapi32.dll msvcrt.dll version.dll
    ntdll.dll shell32.dll ole32.dll comdlg32.dll comctl32.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" noms "${sortie}")
if(NOT noms)
  string(APPEND erreurs "aucune table d'imports lue\n")
endif()
foreach(n IN LISTS noms)
  string(REGEX REPLACE "DLL Name: " "" n "${n}")
  string(STRIP "${n}" n)
  string(TOLOWER "${n}" n)
  if(NOT n IN_LIST systeme)
    string(APPEND erreurs "importe ${n}, qui n'est pas une DLL du système\n")
  endif()
endforeach()

if(erreurs)
  message(FATAL_ERROR "${DLL} :\n${erreurs}")
endif()
message(STATUS "exports ${exports}; imports ${noms}")
