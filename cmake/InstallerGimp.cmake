# Run by `cmake --install <build> --component gimp`: the folder is the user's
# at install time ($GIMP2_DIRECTORY, else ~/.config/GIMP/2.10), and GIMP 2.10
# wants each plug-in in a sub-folder named after its executable.
if(DEFINED ENV{GIMP2_DIRECTORY} AND NOT "$ENV{GIMP2_DIRECTORY}" STREQUAL "")
  set(profil "$ENV{GIMP2_DIRECTORY}")
else()
  set(profil "$ENV{HOME}/.config/GIMP/2.10")
endif()
set(dossier "${profil}/plug-ins/velmora-gimp")
file(INSTALL "${VELMORA_GIMP_PONT}" DESTINATION "${dossier}"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                      WORLD_READ WORLD_EXECUTE)
# Not executable: GIMP is to start only the bridge.
file(INSTALL "${VELMORA_GIMP_MODULE}" DESTINATION "${dossier}"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
