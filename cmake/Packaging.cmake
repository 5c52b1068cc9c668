# The Debian package of the tool for vendors: `cpack -G DEB` in the build tree packs what the
# install rules put in bin/ and share/quillset/ (the Win32 build's stubs) under /usr.
set(CPACK_PACKAGE_NAME quillset)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quillset developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "builds self-contained Setup.exe installers for 32-bit Windows programs")
set(CPACK_PACKAGE_DESCRIPTION
    "quillset reads a product manifest (TOML) and the product's files and writes one Setup.exe: \
Quillset's launcher with the compressed wizard library and files as its resource. It also \
checks built installers and uninstall logs (quillset inspect), and installs, checks and removes \
an installer in a throwaway Wine prefix (quillset try), with the test programs it drives there.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillset developers <developers@quillset.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# Depends from the libraries the tool links: zlib, Debian's toml++ library and the C++ runtime
# (CLI11 is header-only; libdeflate is linked in). The architecture is dpkg's own.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# cpack builds the install's dependencies first; the full build has run by then, and building
# again would start the Win32 build while its tests may be running.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
