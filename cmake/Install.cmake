# What `cmake --install` puts where, in four components:
#   cli  lxr, the data files of share/lexaurum, the systemd user unit of lxr watch, lxr.1,
#        the shell completions and the extraction helper
#   gui  the desktop program lexaurum, its menu entry, icon and lexaurum.1
#   lib  liblexaurum.so.4 (the engine with its C interface)
#   dev  the public headers, the liblexaurum.so link and lexaurum.pc
# An installed program finds its data in ../share/lexaurum beside bin/ (api/Folders.cpp);
# nothing installed points back into the source or build tree. Included from the top
# CMakeLists.txt after every target is defined.
include(GNUInstallDirs)

set(LXR_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/lexaurum)
set(LXR_INSTALL_STAGE ${PROJECT_BINARY_DIR}/install-stage)

# An installed program finds liblexaurum.so through $ORIGIN/../lib, so an install into any
# prefix runs as it lies; a Debian package (which installs into the system's library folder)
# switches this off, as Debian wants no run path.
option(LXR_INSTALL_RPATH "Give installed programs a run path relative to their folder" ON)
if(LXR_INSTALL_RPATH AND TARGET lexaurum-desktop)
  file(RELATIVE_PATH lib_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  set_target_properties(lexaurum-desktop PROPERTIES INSTALL_RPATH "$ORIGIN/${lib_from_bin}")
endif()

# lxr_install_at_install_time(TEMPLATE NAME DESTINATION COMPONENT): TEMPLATE (already
# configured with the build's values) configured again when installing, so that
# @CMAKE_INSTALL_PREFIX@ is the prefix actually installed to (cmake --install --prefix), then
# installed as DESTINATION/NAME.
function(lxr_install_at_install_time template name destination component)
  install(CODE "configure_file(\"${template}\" \"${LXR_INSTALL_STAGE}/${name}\" @ONLY)" COMPONENT ${component})
  install(FILES ${LXR_INSTALL_STAGE}/${name} DESTINATION ${destination} COMPONENT ${component})
endfunction()

# lxr_install_man(SOURCE COMPONENT): a man page of section 1, compressed as Debian keeps them
# (gzip -n: no name or time stamp inside, so the package is reproducible).
find_program(LXR_GZIP gzip)
function(lxr_install_man source component)
  get_filename_component(name ${source} NAME)
  if(LXR_GZIP)
    set(out ${LXR_INSTALL_STAGE}/${name}.gz)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${LXR_INSTALL_STAGE}
      COMMAND ${LXR_GZIP} -9nc ${source} > ${out}
      DEPENDS ${source} VERBATIM)
    add_custom_target(lxr_man_${name} ALL DEPENDS ${out})
    install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
  else()
    install(FILES ${source} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
  endif()
endfunction()

# ---- cli -------------------------------------------------------------------------------
install(TARGETS lxr RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
install(FILES ${PROJECT_SOURCE_DIR}/data/LEXAURUM.MSG ${PROJECT_SOURCE_DIR}/data/ENGLISH.ABC
              ${PROJECT_SOURCE_DIR}/data/LEXAURUM.NOI ${PROJECT_SOURCE_DIR}/data/STEMMING.DAT
              ${PROJECT_SOURCE_DIR}/data/WPCHARS.DAT
        DESTINATION ${LXR_DATA_DESTINATION} COMPONENT cli)
# The thesaurus is made from WordNet in the build (tools/CMakeLists.txt), with its licence.
if(TARGET lxr_thesaurus)
  install(FILES ${PROJECT_BINARY_DIR}/tools/THESAUR.DAT DESTINATION ${LXR_DATA_DESTINATION} COMPONENT cli)
  install(FILES ${PROJECT_BINARY_DIR}/tools/THESAUR.LICENSE DESTINATION ${LXR_DATA_DESTINATION}
          COMPONENT cli OPTIONAL)
endif()
# The unit names the installed lxr by its path.
file(READ ${PROJECT_SOURCE_DIR}/data/systemd/lexaurum-watch@.service unit)
string(REPLACE "ExecStart=lxr " "ExecStart=@CMAKE_INSTALL_PREFIX@/${CMAKE_INSTALL_BINDIR}/lxr " unit "${unit}")
file(WRITE ${PROJECT_BINARY_DIR}/lexaurum-watch@.service.in "${unit}")
lxr_install_at_install_time(${PROJECT_BINARY_DIR}/lexaurum-watch@.service.in lexaurum-watch@.service
                            lib/systemd/user cli)
lxr_install_man(${PROJECT_SOURCE_DIR}/docs/lxr.1 cli)
install(FILES ${PROJECT_SOURCE_DIR}/data/completion/lxr.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME lxr COMPONENT cli)
install(FILES ${PROJECT_SOURCE_DIR}/data/completion/_lxr
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions COMPONENT cli)
# The extraction helper, where the programs look for it: <bindir>/../libexec/lexaurum/.
if(TARGET lxr-extract)
  install(TARGETS lxr-extract RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/lexaurum COMPONENT cli)
  install(TARGETS lexaurum-extractors LIBRARY DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/lexaurum COMPONENT cli)
endif()

# ---- lib and dev -----------------------------------------------------------------------
install(TARGETS lexaurum
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lib NAMELINK_COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/include/lexaurum/lexaurum.h ${PROJECT_SOURCE_DIR}/include/lexaurum/lexaurum.hpp
              ${PROJECT_SOURCE_DIR}/include/lexaurum/lxrviewer.h ${PROJECT_SOURCE_DIR}/include/lexaurum/lxripc.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/lexaurum COMPONENT dev)
foreach(dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(LXR_PC_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(LXR_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
set(pc_prefix_placeholder "@CMAKE_INSTALL_PREFIX@")
file(READ ${PROJECT_SOURCE_DIR}/data/lexaurum.pc.in pc)
string(CONFIGURE "${pc}" pc @ONLY)
# The prefix stays a placeholder until the install knows it.
file(WRITE ${PROJECT_BINARY_DIR}/lexaurum.pc.in "${pc}")
lxr_install_at_install_time(${PROJECT_BINARY_DIR}/lexaurum.pc.in lexaurum.pc ${CMAKE_INSTALL_LIBDIR}/pkgconfig dev)

# ---- gui -------------------------------------------------------------------------------
if(TARGET lexaurum-desktop)
  install(TARGETS lexaurum-desktop RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT gui)
  install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/lexaurum.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT gui)
  install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/lexaurum.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT gui)
  lxr_install_man(${PROJECT_SOURCE_DIR}/docs/lexaurum.1 gui)
endif()
