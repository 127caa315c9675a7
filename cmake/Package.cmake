# The Debian package: `cpack` in the build folder (or `make package`) writes
# pindle_<version>_<architecture>.deb with what the install rules put under /usr. The dependencies
# are found by dpkg-shlibdeps from the libraries the program links, plus the editor's font.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pindle)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quillmere)
set(CPACK_PACKAGE_CONTACT ${PINDLE_CONTACT})
set(CPACK_PACKAGE_HOMEPAGE_URL ${PINDLE_HOMEPAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for CSS stylesheets")
# Each line of the long description stays within the 80 columns of a terminal's package listing.
set(CPACK_PACKAGE_DESCRIPTION
  "Pindle keeps a table of styles, one row per CSS rule, edits a row in a tabbed
dialog and saves the table as a block of generated rules, followed by free CSS
text kept in a syntax-highlighted source pane. After each save the HTML link
element for the stylesheet is on the clipboard.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The editor's Courier New is served by Liberation Mono, its metric twin.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation)
# The programs are stripped as Debian strips them, the compiler's .comment and .note sections too,
# once they are in the package's folder.
set(CPACK_PINDLE_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/StripPackage.cmake)
include(CPack)
