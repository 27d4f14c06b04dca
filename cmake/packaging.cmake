# CPack settings for the two Debian packages one build makes (cpack -G DEB, scripts/make-deb.sh):
# tarnview-tools from the "tools" component (the terminal programs, the GDAL plugin, the package
# type and thumbnailer; no Qt) and tarnview from "desktop" (the dialog, its entry, icons and
# metainfo). dpkg-shlibdeps finds the libraries each needs.
set(CPACK_PACKAGE_NAME tarnview)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})  # all four parts
set(CPACK_PACKAGE_VENDOR "Tarnview developers")
set(CPACK_PACKAGE_CONTACT "${TARNVIEW_MAINTAINER}")
# Empty, so that each package's synopsis is the first line of its own description.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Then the sections stripping leaves behind: the compilers' .comment and .note.
set(CPACK_TARNVIEW_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/strip_sections.cmake)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tools)
if(TARNVIEW_BUILD_GUI)
    list(APPEND CPACK_COMPONENTS_ALL desktop)
endif()
set(CPACK_COMPONENT_DESKTOP_DEPENDS tools)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)  # tarnview depends on tarnview-tools (= VERSION)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)         # PACKAGE_VERSION_ARCH.deb
set(CPACK_DEBIAN_PACKAGE_SOURCE tarnview)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME tarnview-tools)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
    "Geographic raster reports and QVRMP tile packages for the terminal
tarnview-info prints the report of any raster GDAL opens and of QVRMP
packages (tiled pyramids of WebP tiles), as text or JSON, for one file or a
catalogue of many. tarnview-pack turns a raster into a package. A GDAL driver
plugin lets every GDAL program read packages, and file managers show a
package's thumbnail. Nothing here needs a desktop toolkit.")
set(CPACK_DEBIAN_TOOLS_PACKAGE_RECOMMENDS "shared-mime-info")

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME tarnview)
set(CPACK_COMPONENT_DESKTOP_DESCRIPTION
    "Desktop dialog showing what is inside a geographic raster
A window in which a raster (anything GDAL opens) or a QVRMP package is chosen
or dropped shows the file's report: size, bands, data types, coordinate
system and geotransform. A package's thumbnail opens in a preview window.
The terminal programs are in tarnview-tools.")
# Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's X11 and Wayland platform plugins;
# the Chinese labels need a CJK font and Qt's own texts their translations.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS "fonts-wqy-microhei, qt6-translations-l10n")

# What Debian wants in /usr/share/doc/PACKAGE: the machine-readable copyright (the licence text
# taken from LICENSE), the changelog compressed as policy asks, and a README; and lintian's
# overrides of what it cannot tell from the binaries.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" copyright_line "${license}")
set(TARNVIEW_COPYRIGHT "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^[^\n]*\n\n[^\n]*\n\n" "" license "${license}")  # the title, the holder
string(STRIP "${license}" license)
string(REPLACE "\n\n" "\n.\n" license "${license}")
string(REPLACE "\n" "\n " TARNVIEW_LICENSE_TEXT " ${license}")
set(debian_docs ${PROJECT_BINARY_DIR}/debian)
configure_file(res/debian/copyright.in ${debian_docs}/copyright @ONLY)

# The changelog's date is the release date in the form Debian's changelog takes.
execute_process(COMMAND date --utc --rfc-email --date=${TARNVIEW_RELEASE_DATE}
                OUTPUT_VARIABLE TARNVIEW_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
configure_file(res/debian/changelog.in ${debian_docs}/changelog @ONLY)
add_custom_command(OUTPUT ${debian_docs}/changelog.gz
    COMMAND gzip -9nc ${debian_docs}/changelog > ${debian_docs}/changelog.gz
    DEPENDS ${debian_docs}/changelog
    COMMENT "Compressing the Debian changelog")
add_custom_target(tarnview_debian_changelog ALL DEPENDS ${debian_docs}/changelog.gz)

foreach(component tools desktop)
    string(TOUPPER ${component} upper)
    set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
    configure_file(res/debian/README.${component} ${debian_docs}/README.${component} @ONLY)
    install(FILES ${debian_docs}/copyright ${debian_docs}/changelog.gz
            DESTINATION ${doc_dir} COMPONENT ${component})
    install(FILES ${debian_docs}/README.${component} DESTINATION ${doc_dir} RENAME README
            COMPONENT ${component})
    install(FILES res/debian/lintian-overrides.${component}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
            RENAME ${CPACK_DEBIAN_${upper}_PACKAGE_NAME} COMPONENT ${component})
endforeach()

include(CPack)
