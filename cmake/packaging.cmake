# CPack settings for the Debian package: what the install rules put under the prefix, with the
# libraries' packages found by dpkg-shlibdeps and the few run-time needs it cannot see.
set(CPACK_PACKAGE_NAME tarnview)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})  # all four parts
set(CPACK_PACKAGE_VENDOR "Tarnview developers")
set(CPACK_PACKAGE_CONTACT "Tarnview developers <tarnview@tarnview.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop dialog and two command-line programs: tarnview-info reports on any raster GDAL
opens and on QVRMP packages (tiled pyramids of WebP tiles), tarnview-pack turns a raster into a
package. A GDAL driver plugin lets every GDAL program read packages, and file managers show a
package's thumbnail.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # tarnview_VERSION_ARCH.deb
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's X11 and Wayland platform plugins;
# the Chinese labels need a CJK font and Qt's own texts their translations.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei, qt6-translations-l10n, shared-mime-info")

include(CPack)
