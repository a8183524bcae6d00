# Install layout and the Debian package.
#
#   P/bin/                 quorvel, quorvelctl, quorvel-vkbd
#   P/lib/quorvel/         libHidServ.so, libHidServVirtual.so (loaded with dlopen, private)
#   P/share/quorvel/       Skins/ (with language.ini), Help/, autostart/quorvel.desktop
#   P/share/applications/  quorvel.desktop
#   P/share/icons/hicolor/ <n>x<n>/apps/quorvel.png
#   P/share/doc/quorvel/   the user guide (user-guide.md, user-guide.zh.md) and the pages it links
#                          to, as Markdown and as the HTML pages of Help/ with images/
#   P/lib/udev/rules.d/    70-quorvel.rules
#   P/lib/udev/            quorvel-hidraw-access (the rule's helper)
#
# The program finds the libraries and its folder from its own location: see
# ServiceLibraryDirs (device/service_library.h) and ProgramDirFor (model/program_paths.h).

set(QUORVEL_LIBRARY_INSTALL_DIR lib/quorvel)
set(QUORVEL_DATA_INSTALL_DIR share/quorvel)

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
    # The build tree's program folder is writable, so a run from it may have left per-profile
    # user colour files there: they are the user's, not the program's.
    install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/Skins DESTINATION ${QUORVEL_DATA_INSTALL_DIR}
            PATTERN "UserDengColor_[0-2].userd" EXCLUDE
            PATTERN "*.tmp*" EXCLUDE
            PATTERN "*.building" EXCLUDE)
    install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/Help ${CMAKE_BINARY_DIR}/bin/autostart
            DESTINATION ${QUORVEL_DATA_INSTALL_DIR})
    install(FILES ${CMAKE_SOURCE_DIR}/res/quorvel.desktop DESTINATION share/applications)
    install(DIRECTORY ${CMAKE_BINARY_DIR}/hicolor/ DESTINATION share/icons/hicolor)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VENDOR "Quorvel")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration program for the Nolvane G7 gaming keyboard")
set(CPACK_PACKAGE_DESCRIPTION
    "Reassigns keys and G keys, records macros, sets the lighting and keeps the keyboard's\n"
    "three on-board profiles; with a command-line tool and a virtual keyboard for trying it.")
set(CPACK_PACKAGE_CONTACT "Quorvel developers <quorvel@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Dependencies come from the libraries the binaries link against.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev")
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
