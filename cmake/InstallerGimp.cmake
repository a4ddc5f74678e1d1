# Run by `cmake --install <build> --component gimp`, once per bridge built: the
# folder is the user's at install time for that GIMP ($GIMP2_DIRECTORY, else
# ~/.config/GIMP/2.10; $GIMP3_DIRECTORY, else ~/.config/GIMP/3.0), and GIMP
# wants each plug-in in a sub-folder named after its executable: velmora-gimp
# for both.
if(VELMORA_GIMP_VERSION EQUAL 3)
  set(variable GIMP3_DIRECTORY)
  set(defaut "$ENV{HOME}/.config/GIMP/3.0")
else()
  set(variable GIMP2_DIRECTORY)
  set(defaut "$ENV{HOME}/.config/GIMP/2.10")
endif()
if(DEFINED ENV{${variable}} AND NOT "$ENV{${variable}}" STREQUAL "")
  set(profil "$ENV{${variable}}")
else()
  set(profil "${defaut}")
endif()
set(dossier "${profil}/plug-ins/velmora-gimp")
file(INSTALL "${VELMORA_GIMP_PONT}" DESTINATION "${dossier}" RENAME velmora-gimp
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                      WORLD_READ WORLD_EXECUTE)
# Not executable: GIMP is to start only the bridge.
file(INSTALL "${VELMORA_GIMP_MODULE}" DESTINATION "${dossier}"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
