# The Debian package: `cpack -G DEB` in the build folder (./setup.sh package) writes
# jjgz_<version>_amd64.deb. It installs under /usr: the programs in bin; the delivered database,
# the pay-slip layout and the guide in share/jjgz; the menu entry, icons, manual pages, copyright
# and changelog where Debian wants them. The files an installed program lets the user change are
# copied into the user's data folder at run time (data/DataPaths.h), never written beside
# /usr/bin, so the package takes only the default install component: the `portable` one writes
# the database and the layout beside the program for `cmake --install` and the build tree.

set(JJGZ_PKG_SRC ${PROJECT_SOURCE_DIR}/packaging)
set(JJGZ_PKG_OUT ${CMAKE_BINARY_DIR}/packaging)
set(jjgz_package_files)

# Menu entry and the scalable icon as written; the PNG sizes rendered from it.
install(FILES ${JJGZ_PKG_SRC}/jjgz.desktop DESTINATION share/applications)
install(FILES ${JJGZ_PKG_SRC}/jjgz.svg DESTINATION share/icons/hicolor/scalable/apps)
find_program(JJGZ_RSVG_CONVERT rsvg-convert)
if(JJGZ_RSVG_CONVERT)
  foreach(size 48 128 256)
    set(png ${JJGZ_PKG_OUT}/icons/${size}x${size}/jjgz.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${JJGZ_PKG_OUT}/icons/${size}x${size}
      COMMAND ${JJGZ_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${JJGZ_PKG_SRC}/jjgz.svg
      DEPENDS ${JJGZ_PKG_SRC}/jjgz.svg
      COMMENT "Rendering the ${size} px icon"
      VERBATIM)
    list(APPEND jjgz_package_files ${png})
    install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
else()
  message(WARNING "rsvg-convert (librsvg2-bin) not found: the package gets only the SVG icon")
endif()

# Manual pages (English and Chinese) and the changelog carry the project's version, compressed
# as Debian wants them (gzip -9n: no name, no time stamp, the same bytes on every build).
find_program(JJGZ_GZIP gzip REQUIRED)
function(jjgz_gzipped src out destination)
  configure_file(${src} ${out} @ONLY)
  add_custom_command(OUTPUT ${out}.gz
    COMMAND ${JJGZ_GZIP} -9nkf ${out}
    DEPENDS ${out}
    VERBATIM)
  set(jjgz_package_files ${jjgz_package_files} ${out}.gz PARENT_SCOPE)
  install(FILES ${out}.gz DESTINATION ${destination})
endfunction()
foreach(page jjgz jjgz-payroll jjgz-formula)
  jjgz_gzipped(${JJGZ_PKG_SRC}/man/${page}.1 ${JJGZ_PKG_OUT}/man/man1/${page}.1 share/man/man1)
  jjgz_gzipped(${JJGZ_PKG_SRC}/man/zh_CN/${page}.1 ${JJGZ_PKG_OUT}/man/zh_CN/man1/${page}.1 share/man/zh_CN/man1)
endforeach()
jjgz_gzipped(${JJGZ_PKG_SRC}/changelog.in ${JJGZ_PKG_OUT}/doc/changelog share/doc/jjgz)
install(FILES ${JJGZ_PKG_SRC}/copyright DESTINATION share/doc/jjgz)
add_custom_target(jjgz_package_files ALL DEPENDS ${jjgz_package_files})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME jjgz)
set(CPACK_PACKAGE_VENDOR "jjgz developers")
set(CPACK_PACKAGE_CONTACT "jjgz developers <jjgz@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "piece-work payroll for small manufacturers (in Chinese)")
set(CPACK_PACKAGE_DESCRIPTION "工资管理系统 keeps employees by department and position, job
types with their processes, unit prices and position shares, records piece work
and splits it among the workers, calculates the monthly wage sheet from
user-written formulas, prints pay slips and lists, and backs the data up.
The user interface is in Simplified Chinese. Includes the command-line tools
jjgz-payroll (calculates a month) and jjgz-formula (tries a wage formula).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link come from dpkg-shlibdeps. What they load by name at run time is
# invisible to it and listed here: Qt's SQLite driver, the Chinese font the program asks for and
# Qt's own Chinese texts (file dialogs, print preview).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-qpa-plugins")
include(CPack)
