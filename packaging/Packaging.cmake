# Installation and the Debian package: `cpack -G DEB` in a build folder makes
# orvena_<version>-<revision>_<arch>.deb with the program, its desktop entry and
# icon, the desktop launcher, the demo atlas generator, the manual pages, the
# copyright file and changelog and, when the build made one, the help file
# orvena.hlp.

include(GNUInstallDirs)

# The package's version is the project's and the Debian revision of the newest
# entry of packaging/changelog, which must be for this version of the project.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog newest LIMIT_COUNT 1)
if(NOT newest MATCHES "^orvena \\(([^)-]+)-([^)]+)\\)")
    message(FATAL_ERROR "packaging/changelog: no entry \"orvena (VERSION-REVISION)\" at the top")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "packaging/changelog: the newest entry is for ${CMAKE_MATCH_1}, "
                        "the project is ${PROJECT_VERSION}: add an entry")
endif()
set(ORVENA_DEBIAN_REVISION ${CMAKE_MATCH_2})

set(ORVENA_HELP_FILE "" CACHE FILEPATH
    "A help file to install in place of the one the build compiles (it is only read)")
install(TARGETS orvena RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(UNIX AND NOT APPLE)
    install(PROGRAMS ${CMAKE_CURRENT_LIST_DIR}/orvena-avvia
            DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/orvena.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/orvena.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_CURRENT_LIST_DIR}/copyright
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvena)
    # The launcher's "--esempio" runs the generator from here.
    install(TARGETS orvena-demo RUNTIME DESTINATION libexec/orvena)

    # The changelog and the manual pages (Italian, and English for the
    # default), compressed as Debian wants them: gzip -9n, no name or time.
    find_program(GZIP gzip REQUIRED)
    set(compressed)
    foreach(page IN ITEMS orvena.1 orvena-avvia.1 it/orvena.1 it/orvena-avvia.1 changelog)
        if(page STREQUAL "changelog")
            set(copy ${CMAKE_BINARY_DIR}/packaging/changelog.Debian)
            configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog ${copy} COPYONLY)
        else()
            # The pages name the version: @PROJECT_VERSION@.
            set(copy ${CMAKE_BINARY_DIR}/packaging/man/${page})
            configure_file(${CMAKE_CURRENT_LIST_DIR}/man/${page} ${copy} @ONLY)
        endif()
        add_custom_command(OUTPUT ${copy}.gz COMMAND ${GZIP} -9nkf ${copy} DEPENDS ${copy}
                           VERBATIM)
        list(APPEND compressed ${copy}.gz)
    endforeach()
    add_custom_target(orvena_package_docs ALL DEPENDS ${compressed})
    install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvena)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian/orvena
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/man/orvena.1.gz
                  ${CMAKE_BINARY_DIR}/packaging/man/orvena-avvia.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/man/it/orvena.1.gz
                  ${CMAKE_BINARY_DIR}/packaging/man/it/orvena-avvia.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/it/man1)
endif()

# The help file given, or else the one the build compiles (help/, target
# orvena_help); looked for when installing, so a build without it still
# packages the rest.
if(ORVENA_HELP_FILE)
    set(installed_help ${ORVENA_HELP_FILE})
else()
    set(installed_help ${ORVENA_BUILT_HELP_FILE})
endif()
install(CODE "
    if(EXISTS \"${installed_help}\")
        file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/orvena\"
             TYPE FILE RENAME orvena.hlp FILES \"${installed_help}\")
    else()
        message(STATUS \"No ${installed_help}: the package goes without help file\")
    endif()
")

set(CPACK_PACKAGE_NAME orvena)
set(CPACK_PACKAGE_VENDOR "Orvena")
set(CPACK_PACKAGE_CONTACT "Orvena developers <orvena@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "visualizzatore di carte geografiche scansionate e archivio di località")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Orvena mostra i fogli di carte scansionate (GIF, BMP, JPEG) calibrati su due
punti, con la latitudine e la longitudine sotto il puntatore, segue i
collegamenti fra fogli vicini e trova, segna, stampa e salva le località.
Esporta fogli e località per i programmi GIS (file world, GPX, KML, GeoJSON,
CSV).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ORVENA_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt and SQLite libraries come from the program's own links; the fonts
# and the image plugins it loads at run time are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fontconfig")
# GDAL and PROJ are loaded at their first call, not linked (src/CMakeLists.txt),
# so dpkg-shlibdeps cannot see them: the packages that hold their sonames are
# named here.
foreach(library GDAL::GDAL PROJ::proj)
    get_target_property(configs ${library} IMPORTED_CONFIGURATIONS)
    list(GET configs 0 config)
    get_target_property(location ${library} IMPORTED_LOCATION_${config})
    get_target_property(soname ${library} IMPORTED_SONAME_${config})
    get_filename_component(folder "${location}" DIRECTORY)
    execute_process(COMMAND dpkg -S "${folder}/${soname}" OUTPUT_VARIABLE owner
                    ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    string(REGEX REPLACE "[:,].*" "" package "${owner}")
    if(package)
        string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ${package}")
    endif()
endforeach()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins, qt6-translations-l10n")
include(CPack)
