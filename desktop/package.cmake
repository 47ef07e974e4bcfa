# The Debian package: `cpack -G DEB` in the build folder (after the build) writes
# ripwell_<version>_<arch>.deb with what `cmake --install` puts in place, under /usr. The
# package dependencies come from the libraries the program links (dpkg-shlibdeps); the desktop
# and icon caches are refreshed by the triggers of the packages that own them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ripwell)
set(CPACK_PACKAGE_VENDOR Brightmoor)
set(CPACK_PACKAGE_CONTACT "Ripwell maintainers <ripwell@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "read digital audio and data sectors straight off a compact disc")
set(CPACK_PACKAGE_DESCRIPTION
  "Ripwell reads raw CD digital audio sectors, with optional jitter correction by overlapping reads, and cooked CD-ROM data sectors into one document that is shown as a hex dump, played, copied to the clipboard and saved as a wave file. It also reads disc image files (CUE, TOC, NRG) as virtual drives and comes with a demo disc.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
