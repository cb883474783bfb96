# What an installation holds beyond the programs (installed by ndr_program),
# and the packages CPack makes of it: a Debian package from a native build,
# a zip from the Windows build. Settings compiled in are named in both, since
# a package is built for one installation.
set(NDR_PACKAGING_DIR "${CMAKE_SOURCE_DIR}/packaging")
get_property(NDR_PROGRAMS GLOBAL PROPERTY NDR_PROGRAMS)

set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "ndr_tools")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "returned-mail tools for the operator of an anonymous remailer")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # One folder: the programs and a plain-text read-me with Windows line ends.
  set(NDR_WINDOWS_PROGRAM_LIST "")
  set(NDR_ABOUT_ndr_Desk "the viewer: one window, \"Returned Mail Desk\", that lists the
    returned mail (bounces) of a folder in a sortable grid, and deletes,
    flags, opens, holds, moves and releases the selected messages. It opens
    messages with EditPad.exe, found on the PATH.")
  set(NDR_ABOUT_ndr_Requeue "no window: puts the messages carried back in the bounces of
    P:\\Diverido\\Mail\\~Bounces into the remailer's outgoing queue
    P:\\Diverido\\Mail\\Mailout again.")
  set(NDR_ABOUT_ndr_Carry "no window: moves the bounces the mail client collected in
    P:\\Pmail\\Mail\\_Bounces into P:\\Diverido\\Mail\\~Bounces\\Local.")
  foreach(program IN LISTS NDR_PROGRAMS)
    string(APPEND NDR_WINDOWS_PROGRAM_LIST "${program}.exe\n    ${NDR_ABOUT_${program}}\n\n")
  endforeach()
  # configure_file's NEWLINE_STYLE leaves the line ends inside values alone.
  string(REPLACE "\n" "\r\n" NDR_WINDOWS_PROGRAM_LIST "${NDR_WINDOWS_PROGRAM_LIST}")
  configure_file("${NDR_PACKAGING_DIR}/windows/README.txt.in" "${CMAKE_BINARY_DIR}/packaging/README.txt"
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES "${CMAKE_BINARY_DIR}/packaging/README.txt" DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME "ndr_tools")
  set(CPACK_PACKAGE_FILE_NAME "ndr_tools-${PROJECT_VERSION}-win64")
else()
  # A manual page for each program, with this build's settings filled in,
  # compressed as Debian installs them.
  set(NDR_MAN_PAGES "")
  foreach(program IN LISTS NDR_PROGRAMS)
    set(page "${CMAKE_BINARY_DIR}/packaging/man/${program}.1")
    configure_file("${NDR_PACKAGING_DIR}/man/${program}.1.in" "${page}" @ONLY)
    add_custom_command(OUTPUT "${page}.gz"
                       COMMAND gzip -9nc "${page}" > "${page}.gz"
                       DEPENDS "${page}"
                       COMMENT "Compressing the manual page of ${program}")
    list(APPEND NDR_MAN_PAGES "${page}.gz")
  endforeach()
  add_custom_target(ndr_man_pages ALL DEPENDS ${NDR_MAN_PAGES})
  install(FILES ${NDR_MAN_PAGES} DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME "ndr-tools")
  set(NDR_PACKAGE_MAINTAINER "Remailer operator <postmaster@localhost>" CACHE STRING
      "Maintainer field of the Debian package")
  set(CPACK_PACKAGE_CONTACT "${NDR_PACKAGE_MAINTAINER}")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION mail)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # Depends computed by dpkg-shlibdeps
  # The viewer opens folders, and by default messages, with xdg-open.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "ndr_Desk lists the returned mail (bounces) of the remailer's bounce folder\n"
      "in a sortable grid and deletes, flags, opens, holds, moves and releases\n"
      "messages. ndr_Requeue puts the messages carried back in bounces into the\n"
      "remailer's outgoing queue again; ndr_Carry moves the bounces of the local\n"
      "mail client into the bounce folder. No program ever replaces a file.\n"
      "\n"
      "Built for one installation: drives under ${NDR_DRIVES},\n"
      "relay hosts ${NDR_RELAY_A} and ${NDR_RELAY_B}, editor ${NDR_EDITOR}.")
endif()

include(CPack)
