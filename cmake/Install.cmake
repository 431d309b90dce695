# What "cmake --install" puts where, for the native build (the Debian package is made from it):
# the launchers under games/, the programs they start under lib/games/demo, the tools under bin/,
# and under share/ the default data, the desktop entry, the AppStream metadata, the icons and the
# manual pages. The data and the icons are drawn by the freshly built make-data as they install.
include(GNUInstallDirs)

# Where the project lives on the web, and its desktop ID, the reverse of that host's name: the
# desktop entry, the icons and the AppStream metadata are named by it. The project has no host
# yet: example.org (reserved for examples) stands in until it has one.
set(DEMO_HOMEPAGE "https://demo.example.org")
set(DEMO_APP_ID org.example.demo)

# The release date in the metadata is the version's own section of CHANGELOG.md.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG.md DEMO_RELEASE_LINE
    REGEX "^## \\[${PROJECT_VERSION}\\] - [0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]$")
if(NOT DEMO_RELEASE_LINE)
    message(FATAL_ERROR "CHANGELOG.md has no section \"## [${PROJECT_VERSION}] - YYYY-MM-DD\" for version ${PROJECT_VERSION}")
endif()
string(REGEX REPLACE "^.* - " "" DEMO_RELEASE_DATE "${DEMO_RELEASE_LINE}")

set(DEMO_PROGRAM_DIR ${CMAKE_INSTALL_PREFIX}/lib/games/demo)
set(DEMO_DATA_DIR ${CMAKE_INSTALL_FULL_DATADIR}/games/demo/data)
set(DEMO_LAUNCHER ${CMAKE_INSTALL_PREFIX}/games/demo)
set(staged ${CMAKE_CURRENT_BINARY_DIR}/install)
set(platform ${PROJECT_SOURCE_DIR}/src/platform/linux)
configure_file(${platform}/launcher.sh.in ${staged}/demo @ONLY)
configure_file(${platform}/demo.desktop.in ${staged}/${DEMO_APP_ID}.desktop @ONLY)
configure_file(${platform}/demo.metainfo.xml.in ${staged}/${DEMO_APP_ID}.metainfo.xml @ONLY)

install(TARGETS demo demo-desktop DESTINATION lib/games/demo)
install(PROGRAMS ${staged}/demo DESTINATION games)
# One launcher for both: it starts the program of the name it is called by.
install(CODE "file(CREATE_LINK demo \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/games/demo-desktop\" SYMBOLIC)")
install(TARGETS demo-capture make-data DESTINATION ${CMAKE_INSTALL_BINDIR})

# Drawn afresh at each install, so that a changed make-data never leaves old files behind.
install(CODE "
    file(REMOVE_RECURSE ${staged}/data ${staged}/icons)
    execute_process(COMMAND $<TARGET_FILE:make-data> ${staged}/data OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND $<TARGET_FILE:make-data> --icons ${staged}/icons OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
")
install(DIRECTORY ${staged}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/games/demo/data)
# make-data says which sizes there are: NxN.png, one for each hicolor folder NxN/apps.
install(CODE "
    file(GLOB pngs ${staged}/icons/*x*.png)
    foreach(png \${pngs})
        get_filename_component(size \${png} NAME_WE)
        file(INSTALL \${png} RENAME ${DEMO_APP_ID}.png
            DESTINATION \${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/icons/hicolor/\${size}/apps)
    endforeach()
")
install(FILES ${staged}/${DEMO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${staged}/${DEMO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The manual pages' headers name the version and its date.
foreach(page demo.6 demo-capture.1 make-data.1)
    configure_file(docs/man/${page}.in ${staged}/${page} @ONLY)
    string(REGEX REPLACE "^.*\\." "man" section ${page})
    install(FILES ${staged}/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/${section})
endforeach()
install(FILES docs/man/demo-desktop.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
