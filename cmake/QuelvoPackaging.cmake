# Installing and packaging: the three programs, the desktop entry, the theme icons, the AppStream
# metadata, the manual pages, and the Debian package CPack makes of them.
include(GNUInstallDirs)

set(QUELVO_APP_ID org.quelvo.Quelvo)
set(packaging_dir ${PROJECT_SOURCE_DIR}/packaging)

# The version for --version, from the project's own version.
configure_file(${PROJECT_SOURCE_DIR}/cmake/version.h.in
  ${PROJECT_BINARY_DIR}/generated/quelvo/version.h @ONLY)
add_library(quelvo_version INTERFACE)
target_include_directories(quelvo_version INTERFACE ${PROJECT_BINARY_DIR}/generated)

# The skin engine and the skin file are embedded in quelvo, and the site's pages are Qt
# resources: the three executables are all that is installed.
# Installed, they find their libraries where the system keeps them.
set_target_properties(quelvo quelvo-console quelvo-skinsite PROPERTIES INSTALL_RPATH "")
install(TARGETS quelvo quelvo-console quelvo-skinsite RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${packaging_dir}/${QUELVO_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging_dir}/${QUELVO_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Theme icons, painted by the same code as the window icon at each size a menu asks for.
add_executable(quelvo_iconwriter ${packaging_dir}/iconwriter.cpp ${PROJECT_SOURCE_DIR}/app/appicon.cpp)
target_include_directories(quelvo_iconwriter PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(quelvo_iconwriter PRIVATE Qt6::Gui)
quelvo_warnings(quelvo_iconwriter)
set(icon_arguments)
set(icon_files)
foreach(size 16 22 24 32 48 64 128 256)
  set(icon ${PROJECT_BINARY_DIR}/icons/${size}x${size}/${QUELVO_APP_ID}.png)
  list(APPEND icon_arguments ${size} ${icon})
  list(APPEND icon_files ${icon})
  install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_command(
  OUTPUT ${icon_files}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons
  COMMAND quelvo_iconwriter ${icon_arguments}
  DEPENDS quelvo_iconwriter
  COMMENT "Painting the theme icons"
  VERBATIM)
add_custom_target(quelvo_icons ALL DEPENDS ${icon_files})

# Manual pages from their scdoc sources, compressed as Debian installs them (man reads both).
find_program(QUELVO_SCDOC scdoc REQUIRED)
find_program(QUELVO_GZIP gzip REQUIRED)
set(man_files)
foreach(program quelvo quelvo-console quelvo-skinsite)
  set(source ${PROJECT_SOURCE_DIR}/docs/man/${program}.1.scd)
  set(page ${PROJECT_BINARY_DIR}/man/${program}.1.gz)
  add_custom_command(
    OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND sh -c "'${QUELVO_SCDOC}' < '${source}' | '${QUELVO_GZIP}' -9n > '${page}'"
    DEPENDS ${source}
    COMMENT "Making the manual page ${program}(1)"
    VERBATIM)
  list(APPEND man_files ${page})
endforeach()
add_custom_target(quelvo_manpages ALL DEPENDS ${man_files})
install(FILES ${man_files} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Debian's documentation files for the package.
set(changelog ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
  OUTPUT ${changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
  COMMAND sh -c "'${QUELVO_GZIP}' -9n < '${packaging_dir}/changelog' > '${changelog}'"
  DEPENDS ${packaging_dir}/changelog
  VERBATIM)
add_custom_target(quelvo_changelog ALL DEPENDS ${changelog})
install(FILES ${packaging_dir}/copyright ${changelog}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quelvo)

# The Debian package: library dependencies from dpkg-shlibdeps, plus what is loaded at run time
# (the CJK font the site paints with, the browser engine's own process).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quelvo)
set(CPACK_PACKAGE_VENDOR "The Quelvo developers")
set(CPACK_PACKAGE_CONTACT "The Quelvo developers <quelvo@quelvo.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "maker of personalised Qzone skin pictures")
# CPack puts the summary first and indents these lines itself; an empty line is a paragraph.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Quelvo makes a personalised skin picture for a QQ space: it pages through
48 skin templates, fills twelve profile items into the skin site's form in
a hidden embedded browser, fetches the finished picture and saves it to the
desktop. It runs its own skin site on the local machine.

The package also holds quelvo-console, which drives the web-page automation
through JSON lines, and quelvo-skinsite, the skin site as a server.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, libqt6webenginecore6-bin")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
