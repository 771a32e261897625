# The Debian package (`make package`): the installed files under /usr, with
# the Qt and font packages the program needs named as dependencies and the
# C and C++ runtime found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tomekeep)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "catalogue of a private book collection")
set(CPACK_PACKAGE_DESCRIPTION
    "Tomekeep Books 95 keeps a catalogue of the books you own in dBase tables with their production index, so other dBase tools can open them. It browses, searches, sorts, reports, imports and exports the collection.")
set(CPACK_PACKAGE_CONTACT "The Tomekeep maintainers <maintainers@tomekeep.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6printsupport6 (>= 6.4), qt6-qpa-plugins, fonts-liberation")
include(CPack)
