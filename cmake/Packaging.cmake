# Installation rules and the Debian package (cpack -G DEB).
#
# `cmake --install` puts the program in bin/, the man page in
# share/man/man1/ and the README in share/doc/quernel/. The package holds the
# same files under /usr. Tests install nothing, so any build makes the same
# package: the package preset builds the program alone, and CI packs its
# release build, the one the tests ran against (cpack --preset release).

include(GNUInstallDirs)

install(TARGETS quernel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/quernel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/quernel)

set(QUERNEL_MAINTAINER "quernel maintainers <maintainers@quernel.invalid>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME quernel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUERNEL_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "convert Outlook Express mailboxes (.dbx) to mbox, .eml and Maildir")
# Lines of the extended description stay within the width Debian asks for.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "quernel rescues mail from the mailbox files of Outlook Express 5 and 6"
  "(.dbx, one file per mail folder). It writes each mailbox as one mbox file,"
  "in the mboxo or the mboxrd variant, one .eml file per message and/or a"
  "Maildir, byte for byte as the mailbox stores them, with file names made"
  "from templates. It never changes its input.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # quernel_X.Y.Z_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)   # Depends: from dpkg-shlibdeps

include(CPack)
