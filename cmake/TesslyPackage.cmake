# Installing Tessly, and its Debian package (scripts/package builds it with CPack in the release build):
#   /usr/lib/tessly/Tessly.app                 the bundle, whole: it is started from there, and every helper is a
#                                              copy of it
#   /usr/lib/tessly/tessly-dock{,-plugin-host} the stand-in Dock and the process it loads plug-ins in, beside the
#                                              bundle, whose generic icons the Dock shows
#   /usr/bin/tessly, /usr/bin/tessly-dock      links to the executables above
#   /usr/share/applications, icons/hicolor, metainfo, man/man1, doc/tessly, lintian/overrides
#                                              the desktop entry, the icon, the AppStream description, the manual
#                                              pages, the copyright and the changelog, and why lintian's warning
#                                              of a second copy of the symbol font does not apply
# Paths are relative to the prefix, which is /usr in the package.
set(TESSLY_RELEASE_DATE "2026-12-09")
set(linux_resources "${PROJECT_SOURCE_DIR}/resources/linux")
set(staged "${CMAKE_BINARY_DIR}/package-files")
file(MAKE_DIRECTORY "${staged}")

install(DIRECTORY "${CMAKE_BINARY_DIR}/Tessly.app" DESTINATION lib/tessly USE_SOURCE_PERMISSIONS)
install(TARGETS tessly-dock tessly-dock-plugin-host RUNTIME DESTINATION lib/tessly)
# Relative links, so that the tree works wherever it is unpacked; the executables find their bundle and the
# plug-in host from their own resolved paths.
file(CREATE_LINK "../lib/tessly/Tessly.app/Contents/MacOS/Tessly" "${staged}/tessly" SYMBOLIC)
file(CREATE_LINK "../lib/tessly/tessly-dock" "${staged}/tessly-dock" SYMBOLIC)
install(FILES "${staged}/tessly" "${staged}/tessly-dock" DESTINATION bin)

install(FILES "${linux_resources}/app.tessly.Tessly.desktop" DESTINATION share/applications)
configure_file("${linux_resources}/app.tessly.Tessly.metainfo.xml.in"
    "${staged}/app.tessly.Tessly.metainfo.xml" @ONLY)
install(FILES "${staged}/app.tessly.Tessly.metainfo.xml" DESTINATION share/metainfo)
install(FILES "${linux_resources}/icons/app.tessly.Tessly.svg" DESTINATION share/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256 512)
    install(FILES "${linux_resources}/icons/${size}/app.tessly.Tessly.png"
        DESTINATION "share/icons/hicolor/${size}x${size}/apps")
endforeach()

# Manual pages and the changelog are installed compressed, without a name or a date in the compressed file, so
# that two builds of one version make the same package.
set(compressed "")
foreach(page tessly.1 tessly-dock.1)
    configure_file("${linux_resources}/${page}" "${staged}/${page}" @ONLY)
    list(APPEND compressed "${staged}/${page}")
endforeach()
configure_file("${linux_resources}/changelog.in" "${staged}/changelog" @ONLY)
list(APPEND compressed "${staged}/changelog")
set(compressed_outputs "")
foreach(file IN LISTS compressed)
    add_custom_command(OUTPUT "${file}.gz"
        COMMAND gzip -9 -n -k -f "${file}"
        DEPENDS "${file}"
        VERBATIM)
    list(APPEND compressed_outputs "${file}.gz")
endforeach()
add_custom_target(tessly_package_files ALL DEPENDS ${compressed_outputs})
install(FILES "${staged}/tessly.1.gz" "${staged}/tessly-dock.1.gz" DESTINATION share/man/man1)
install(FILES "${staged}/changelog.gz" "${linux_resources}/copyright" DESTINATION share/doc/tessly)
install(FILES "${linux_resources}/lintian-overrides" DESTINATION share/lintian/overrides RENAME tessly)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessly)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Tessly developers")
set(CPACK_PACKAGE_CONTACT "The Tessly developers <developers@tessly.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "gather applications into folders in the dock")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tessly gathers installed applications into named folders. Each folder put in\n"
    "the dock shows a drawn folder image there, and a click on it opens a popup with\n"
    "the folder's applications. It works with Plank, the GNOME dash and a stand-in\n"
    "dock of its own (tessly-dock).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tessly.app")
# The libraries it links are found by dpkg-shlibdeps; what Qt loads at run time is named here: the X11
# platform plug-in, and (recommended) the readers of icns and SVG icons and a session bus for the processes to
# meet on.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins, libqt6svg6, hicolor-icon-theme, dbus-user-session | dbus-x11")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "plank")
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
