# The Debian packages made by cpack (scripts/package.sh): one per install component.
#   lexaurum          lxr, the data files, the watcher's systemd unit, completions (cli)
#   lexaurum-gui      the desktop program (gui)
#   liblexaurum4      the shared engine library (lib)
#   liblexaurum-dev   headers, the link and pkg-config file (dev)
# Dependencies on system libraries come from dpkg-shlibdeps; those between the four packages
# are stated here. With LXR_PACKAGE_DEB the install also holds each package's
# share/doc/PACKAGE/copyright and changelog.Debian.gz, as Debian policy wants.
option(LXR_PACKAGE_DEB "Install the Debian documents (copyright, changelog) of each package" OFF)

# A placeholder until the project names its real contact.
set(LXR_MAINTAINER "Lexaurum developers <lexaurum@example.org>" CACHE STRING "The packages' maintainer")
set(LXR_DEB_RELEASE 1)
set(LXR_DEB_VERSION "${PROJECT_VERSION}-${LXR_DEB_RELEASE}")

set(LXR_DEB_PACKAGE_cli lexaurum)
set(LXR_DEB_PACKAGE_gui lexaurum-gui)
set(LXR_DEB_PACKAGE_lib liblexaurum4)
set(LXR_DEB_PACKAGE_dev liblexaurum-dev)
set(LXR_DEB_COMPONENTS cli lib dev)
if(TARGET lexaurum-desktop)
  list(APPEND LXR_DEB_COMPONENTS gui)
endif()

if(LXR_PACKAGE_DEB)
  # The changelog's date: the last commit's, or SOURCE_DATE_EPOCH, so the package repeats.
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(epoch $ENV{SOURCE_DATE_EPOCH})
  else()
    execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT epoch)
    set(epoch 0)
  endif()
  execute_process(COMMAND date -u -R -d @${epoch} OUTPUT_VARIABLE LXR_CHANGELOG_DATE
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(debdir ${PROJECT_BINARY_DIR}/debian-docs)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in ${debdir}/copyright @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${debdir}/changelog @ONLY)
  add_custom_command(OUTPUT ${debdir}/changelog.Debian.gz
    COMMAND ${LXR_GZIP} -9nc ${debdir}/changelog > ${debdir}/changelog.Debian.gz
    DEPENDS ${debdir}/changelog VERBATIM)
  add_custom_target(lxr_deb_changelog ALL DEPENDS ${debdir}/changelog.Debian.gz)
  foreach(component ${LXR_DEB_COMPONENTS})
    install(FILES ${debdir}/copyright ${debdir}/changelog.Debian.gz
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${LXR_DEB_PACKAGE_${component}} COMPONENT ${component})
  endforeach()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lexaurum)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Lexaurum developers")
set(CPACK_PACKAGE_CONTACT "${LXR_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${LXR_DEB_COMPONENTS})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${LXR_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LXR_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# liblexaurum.so.4 is found in the build tree when the programs' dependencies are worked out.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/api)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME lexaurum)
# libzip is loaded at run time (import/ZipLibrary), out of dpkg-shlibdeps' sight: named here.
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS "${LXR_LIBZIP_PACKAGE}")
set(CPACK_DEBIAN_CLI_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_CLI_DESCRIPTION "full-text retrieval system: indexer, search tool and watcher
Lexaurum indexes folders of documents with the position of every word and
answers a rich query language: wildcards, fuzzy, phonic, stemmed and
synonym words, boolean and proximity connectors, number ranges and file
conditions, listing documents best first with their hits.
.
This package holds the lxr command-line tool (indexing, searching, job
scripts, and lxr watch, which keeps indexes current, with its systemd user
unit), the shipped data files, manual page and shell completions.")

set(CPACK_DEBIAN_GUI_PACKAGE_NAME lexaurum-gui)
set(CPACK_DEBIAN_GUI_PACKAGE_SECTION utils)
# dpkg-shlibdeps does not see the sibling package of liblexaurum.so.4: named here.
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "lexaurum (= ${LXR_DEB_VERSION}), liblexaurum4 (= ${LXR_DEB_VERSION})")
set(CPACK_COMPONENT_GUI_DESCRIPTION "full-text retrieval system: desktop program
Lexaurum indexes folders of documents and answers a rich query language.
.
This package holds the desktop program lexaurum: a request box with the
search history, the indexes of the library, a sortable result list and a
viewer with the hits highlighted.")

set(CPACK_DEBIAN_LIB_PACKAGE_NAME liblexaurum4)
set(CPACK_DEBIAN_LIB_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# The library's package tells ldconfig by trigger, as Debian wants.
set(CPACK_DEBIAN_LIB_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The engine reads its data files (message file, alphabet) from share/lexaurum.
set(CPACK_DEBIAN_LIB_PACKAGE_DEPENDS "lexaurum (>= ${LXR_DEB_VERSION}), ${LXR_LIBZIP_PACKAGE}")
set(CPACK_COMPONENT_LIB_DESCRIPTION "full-text retrieval system: shared engine library
Lexaurum indexes folders of documents and answers a rich query language.
.
This package holds liblexaurum.so.4, the engine with its C interface, for
programs that index and search by themselves.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME liblexaurum-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "liblexaurum4 (= ${LXR_DEB_VERSION})")
set(CPACK_COMPONENT_DEV_DESCRIPTION "full-text retrieval system: development files
Lexaurum indexes folders of documents and answers a rich query language.
.
This package holds the C header lexaurum/lexaurum.h (with lexaurum.hpp
for C++, the viewer and IPC interfaces), the liblexaurum.so link and the
pkg-config file lexaurum.pc.")

include(CPack)
