# Install layout and the Debian package.
#
#   P/bin/                 quorvel, quorvelctl, quorvel-vkbd
#   P/lib/quorvel/         libHidServ.so, libHidServVirtual.so (loaded with dlopen, private)
#   P/share/quorvel/       Skins/ (with language.ini), Help/, autostart/quorvel.desktop
#   P/share/applications/  org.quorvel.quorvel.desktop
#   P/share/metainfo/      org.quorvel.quorvel.metainfo.xml (the same id as the desktop file)
#   P/share/icons/hicolor/ <n>x<n>/apps/quorvel.png
#   P/share/man/man1/      quorvel.1.gz, quorvelctl.1.gz, quorvel-vkbd.1.gz
#   P/share/doc/quorvel/   the user guide (user-guide.md, user-guide.zh.md) and the pages it links
#                          to, as Markdown and as the HTML pages of Help/ with images/;
#                          copyright, changelog.gz
#   P/lib/udev/rules.d/    70-quorvel.rules
#   P/lib/udev/            quorvel-hidraw-access (the rule's helper)
#
# The program finds the libraries and its folder from its own location: see
# ServiceLibraryDirs (device/service_library.h) and ProgramDirFor (model/program_paths.h).

set(QUORVEL_LIBRARY_INSTALL_DIR lib/quorvel)
set(QUORVEL_DATA_INSTALL_DIR share/quorvel)
set(QUORVEL_APP_ID org.quorvel.quorvel)
set(QUORVEL_PACKAGE_MAINTAINER "Quorvel maintainers <maintainers@quorvel.org>"
    CACHE STRING "Name <mail> of whoever builds the Debian package (its Maintainer field)")
set(QUORVEL_HOMEPAGE_URL "https://quorvel.org/"
    CACHE STRING "The project's home page, for the package and the software-centre page")
# Software centres take screenshots by address only; these are the pictures of docs/images.
set(QUORVEL_SCREENSHOT_URL "${QUORVEL_HOMEPAGE_URL}images"
    CACHE STRING "Where the pictures of docs/images are published")

foreach(program quorvel quorvelctl quorvel-vkbd)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION bin)
    endif()
endforeach()
foreach(library HidServ HidServVirtual)
    if(TARGET ${library})
        install(TARGETS ${library} LIBRARY DESTINATION ${QUORVEL_LIBRARY_INSTALL_DIR})
    endif()
endforeach()

if(TARGET quorvel-hidraw-access)
    install(TARGETS quorvel-hidraw-access RUNTIME DESTINATION lib/udev)
    # The rule names its helper by the installed path, known only once installing (--prefix,
    # CPack's /usr).
    install(CODE "
        file(READ [[${CMAKE_SOURCE_DIR}/res/udev/70-quorvel.rules.in]] rule)
        string(REPLACE @QUORVEL_HIDRAW_ACCESS@
               \"\${CMAKE_INSTALL_PREFIX}/lib/udev/quorvel-hidraw-access\" rule \"\${rule}\")
        file(WRITE [[${CMAKE_BINARY_DIR}/udev/70-quorvel.rules]] \"\${rule}\")
        file(INSTALL [[${CMAKE_BINARY_DIR}/udev/70-quorvel.rules]]
             DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/udev/rules.d\")")
endif()
# The user guide in both languages with the pages it links to, so its links work where it is
# installed: the Markdown, and the help folder's HTML pages with their pictures.
install(FILES ${CMAKE_SOURCE_DIR}/docs/user-guide.md ${CMAKE_SOURCE_DIR}/docs/user-guide.zh.md
              ${CMAKE_SOURCE_DIR}/docs/cli.md ${CMAKE_SOURCE_DIR}/docs/virtual-keyboard.md
              ${CMAKE_SOURCE_DIR}/docs/profile-json.md ${CMAKE_SOURCE_DIR}/docs/profile.schema.json
        DESTINATION share/doc/quorvel)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/images DESTINATION share/doc/quorvel)
if(TARGET quorvel_help)
    install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/Help/ DESTINATION share/doc/quorvel
            PATTERN images EXCLUDE)
endif()

if(TARGET quorvel_skins)
    # Earlier versions wrote per-profile user colour files into the program folder they ran
    # from, so a build tree may still hold some: they are a user's, not the program's.
    install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/Skins DESTINATION ${QUORVEL_DATA_INSTALL_DIR}
            PATTERN "UserDengColor_[0-2].userd" EXCLUDE
            PATTERN "*.tmp*" EXCLUDE
            PATTERN "*.building" EXCLUDE)
    install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/Help ${CMAKE_BINARY_DIR}/bin/autostart
            DESTINATION ${QUORVEL_DATA_INSTALL_DIR})
    install(FILES ${CMAKE_SOURCE_DIR}/res/${QUORVEL_APP_ID}.desktop
            DESTINATION share/applications)
    configure_file(${CMAKE_SOURCE_DIR}/res/${QUORVEL_APP_ID}.metainfo.xml.in
                   ${CMAKE_BINARY_DIR}/metainfo/${QUORVEL_APP_ID}.metainfo.xml @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/metainfo/${QUORVEL_APP_ID}.metainfo.xml
            DESTINATION share/metainfo)
    install(DIRECTORY ${CMAKE_BINARY_DIR}/hicolor/ DESTINATION share/icons/hicolor)
endif()

# Manual pages and the changelog are installed compressed, as Debian's policy has them; -n keeps
# the time stamp out, so the same page gives the same bytes.
find_program(QUORVEL_GZIP gzip REQUIRED)
configure_file(${CMAKE_SOURCE_DIR}/res/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog
               @ONLY)
set(QUORVEL_COMPRESSED_DOCS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
    COMMAND ${QUORVEL_GZIP} -9nc ${CMAKE_BINARY_DIR}/debian/changelog >
            ${CMAKE_BINARY_DIR}/debian/changelog.gz
    DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog
    VERBATIM)
set(QUORVEL_MAN_PAGES)
foreach(page quorvel quorvelctl quorvel-vkbd)
    if(TARGET ${page})
        set(compressed ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
        add_custom_command(
            OUTPUT ${compressed}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
            COMMAND ${QUORVEL_GZIP} -9nc ${CMAKE_SOURCE_DIR}/res/man/${page}.1 > ${compressed}
            DEPENDS ${CMAKE_SOURCE_DIR}/res/man/${page}.1
            VERBATIM)
        list(APPEND QUORVEL_MAN_PAGES ${compressed})
    endif()
endforeach()
add_custom_target(quorvel_compressed_docs ALL DEPENDS ${QUORVEL_MAN_PAGES} ${QUORVEL_COMPRESSED_DOCS})
install(FILES ${QUORVEL_MAN_PAGES} DESTINATION share/man/man1)
install(FILES ${CMAKE_SOURCE_DIR}/res/debian/copyright ${QUORVEL_COMPRESSED_DOCS}
        DESTINATION share/doc/quorvel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VENDOR "The Quorvel developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure the Nolvane G7 gaming keyboard")
# CPack puts the summary first and indents these lines as they stand: at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvel reassigns the keys and the nine G keys of the Nolvane G7 RGB
mechanical keyboard, records and edits macros, sets the lighting down to the
colour of each key, and switches and keeps the keyboard's three on-board
profiles. Everything is stored in the keyboard itself.

The package holds the desktop program, the command-line tool quorvelctl and
quorvel-vkbd, a virtual keyboard to try everything without the keyboard.")
set(CPACK_PACKAGE_CONTACT "${QUORVEL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUORVEL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUORVEL_HOMEPAGE_URL}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Dependencies come from the libraries the binaries link against.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not a linked library: Qt loads its Wayland platform plugin at run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-wayland")
# Stripped programs and libraries. No debug-symbol package: the one CPack 3.25 makes lists its
# files in md5sums by the build machine's paths, which dpkg cannot check.
set(CPACK_STRIP_FILES ON)
# Qt's own texts (message box buttons, the file dialog) in Chinese; English without it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev, qt6-translations-l10n")
configure_file(${CMAKE_SOURCE_DIR}/res/debian/postinst ${CMAKE_BINARY_DIR}/debian/postinst
               COPYONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
               GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
configure_file(${CMAKE_SOURCE_DIR}/res/debian/postrm ${CMAKE_BINARY_DIR}/debian/postrm
               COPYONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
               GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/debian/postinst ${CMAKE_BINARY_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
