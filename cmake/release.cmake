# Releases: the version the programs carry, the icon, what `cmake --install`
# puts where, and the packages CPack makes from that: a Debian package from the
# Linux build, a zip from the Windows build (scripts/package makes both).
# The version is the top-level project()'s and nowhere else.
include(GNUInstallDirs)

set(CLOCKR_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
set(CLOCKR_PACKAGING_OUT ${PROJECT_BINARY_DIR}/packaging)
set(CLOCKR_CONTACT "the Korvo clockr developers <korvo-clockr@example.org>")

# What korvo-clockr-cli --version prints, and what its test expects.
foreach(target korvo-clockr-cli korvo-clockr-cli-faults clockr_tests)
  if(TARGET ${target})
    target_compile_definitions(${target} PRIVATE CLOCKR_VERSION="${PROJECT_VERSION}")
  endif()
endforeach()

# The icon's PNG sizes, drawn from the SVG.
find_program(CLOCKR_RSVG_CONVERT rsvg-convert)
if(NOT CLOCKR_RSVG_CONVERT)
  message(FATAL_ERROR "rsvg-convert is missing (it draws the icon): run scripts/install-deps")
endif()
set(CLOCKR_ICON_SVG ${CLOCKR_PACKAGING}/korvo-clockr.svg)
set(CLOCKR_ICON_SIZES 16 24 32 48 64 128 256)
set(CLOCKR_ICON_PNGS)
foreach(size IN LISTS CLOCKR_ICON_SIZES)
  set(png ${CLOCKR_PACKAGING_OUT}/icons/${size}x${size}/korvo-clockr.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CLOCKR_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${CLOCKR_ICON_SVG}
    DEPENDS ${CLOCKR_ICON_SVG}
    VERBATIM)
  list(APPEND CLOCKR_ICON_PNGS ${png})
endforeach()

# A resource script with the version information of one Windows executable,
# and the icon for the dialog program.
function(clockr_version_resource target description)
  set(CLOCKR_RC_NAME ${target})
  set(CLOCKR_RC_DESCRIPTION ${description})
  set(CLOCKR_RC_ICON "")
  if(ARGN)
    set(CLOCKR_RC_ICON "1 ICON \"${ARGN}\"")
  endif()
  set(rc ${CLOCKR_PACKAGING_OUT}/${target}_version.rc)
  configure_file(${CLOCKR_PACKAGING}/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  if(ARGN)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${ARGN})
  endif()
endfunction()

if(WIN32)
  find_program(CLOCKR_ICOTOOL icotool)
  if(NOT CLOCKR_ICOTOOL)
    message(FATAL_ERROR "icotool is missing (it makes the .ico): run scripts/install-deps")
  endif()
  # Windows shows the 256-pixel image from the PNG kept as it is inside the .ico.
  set(ico ${CLOCKR_PACKAGING_OUT}/korvo-clockr.ico)
  list(FILTER CLOCKR_ICON_PNGS EXCLUDE REGEX "/256x256/")
  add_custom_command(OUTPUT ${ico}
    COMMAND ${CLOCKR_ICOTOOL} -c -o ${ico} ${CLOCKR_ICON_PNGS}
            --raw=${CLOCKR_PACKAGING_OUT}/icons/256x256/korvo-clockr.png
    DEPENDS ${CLOCKR_ICON_PNGS} ${CLOCKR_PACKAGING_OUT}/icons/256x256/korvo-clockr.png
    VERBATIM)
  clockr_version_resource(korvo-clockr "Korvo clockr, the dialog" ${ico})
  clockr_version_resource(korvo-clockr-cli "Korvo clockr, the command line")

  # The zip: both programs side by side, with a README and the licence that
  # Windows' Notepad shows with their line breaks.
  configure_file(${CLOCKR_PACKAGING}/README-windows.txt ${CLOCKR_PACKAGING_OUT}/README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CLOCKR_PACKAGING_OUT}/LICENSE.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS korvo-clockr korvo-clockr-cli RUNTIME DESTINATION .)
  install(FILES ${CLOCKR_PACKAGING_OUT}/README.txt ${CLOCKR_PACKAGING_OUT}/LICENSE.txt DESTINATION .)
else()
  add_custom_target(clockr_icons ALL DEPENDS ${CLOCKR_ICON_PNGS})

  # Debian keeps manual pages and changelogs compressed, without a time stamp.
  find_program(CLOCKR_GZIP gzip REQUIRED)
  configure_file(${CLOCKR_PACKAGING}/changelog.in ${CLOCKR_PACKAGING_OUT}/changelog @ONLY)
  set(gzipped)
  foreach(in ${CLOCKR_PACKAGING}/korvo-clockr.1 ${CLOCKR_PACKAGING}/korvo-clockr-cli.1
             ${CLOCKR_PACKAGING_OUT}/changelog)
    cmake_path(GET in FILENAME name)
    set(out ${CLOCKR_PACKAGING_OUT}/${name}.gz)
    add_custom_command(OUTPUT ${out} COMMAND ${CLOCKR_GZIP} -9nc ${in} > ${out} DEPENDS ${in})
    list(APPEND gzipped ${out})
  endforeach()
  add_custom_target(clockr_gzipped ALL DEPENDS ${gzipped})

  # Debian's machine-readable copyright file, with the licence's text as its body.
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
  string(REGEX REPLACE "\n+$" "" license "${license}")
  string(REGEX REPLACE "\n\n" "\n.\n" license "${license}")
  string(REGEX REPLACE "\n" "\n " CLOCKR_LICENSE_BODY "${license}")
  configure_file(${CLOCKR_PACKAGING}/copyright.in ${CLOCKR_PACKAGING_OUT}/copyright @ONLY)

  set(doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/korvo-clockr)
  install(TARGETS korvo-clockr korvo-clockr-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CLOCKR_PACKAGING_OUT}/korvo-clockr.1.gz ${CLOCKR_PACKAGING_OUT}/korvo-clockr-cli.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CLOCKR_PACKAGING}/korvo-clockr.desktop
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
  install(FILES ${CLOCKR_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
  foreach(size IN LISTS CLOCKR_ICON_SIZES)
    install(FILES ${CLOCKR_PACKAGING_OUT}/icons/${size}x${size}/korvo-clockr.png
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${CLOCKR_PACKAGING}/korvo-clockr-cli.bash-completion
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions
          RENAME korvo-clockr-cli)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${CLOCKR_PACKAGING_OUT}/copyright
                ${CLOCKR_PACKAGING_OUT}/changelog.gz
          DESTINATION ${doc})
endif()

set(CPACK_PACKAGE_NAME korvo-clockr)
set(CPACK_PACKAGE_CONTACT ${CLOCKR_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "lists game recordings with their level and finish time")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME korvo-clockr-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[
Players of a level-based game keep recordings of their runs as rec files.
Korvo clockr lists the rec files a path pattern matches and shows for each
the level it was recorded on, whether one or two players played, and the
time at which the run finished. It can narrow the list to kinds of levels
and write the rows to a text file, stat.txt. It only ever reads rec files.

The package holds the dialog, korvo-clockr, and the command-line tool,
korvo-clockr-cli, which prints the list as text, CSV or JSON.]])
endif()
include(CPack)
