# What an install holds beyond the programs, their module and data (the desktop entry, its icon,
# the AppStream metadata, the licence and the changelog), and the Debian package made from the
# install rules by CPack (`make deb`: cpack -G DEB in the build folder).
set(TS_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(TS_APP_ID org.tunestrip.skinpreview)
set(TS_DOC_DEST share/doc/tunestrip)
# The project publishes no web site yet: the screenshot's address is where docs/window.png will be
# served (AppStream wants a web address, which software centres fetch).
set(TS_SCREENSHOT_URL "https://tunestrip.example/docs/window.png" CACHE STRING
    "The web address of the AppStream screenshot (docs/window.png)")

# The newest entry of packaging/changelog gives the release's date to the AppStream metadata;
# its version should be the project's (the package test checks it is).
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TS_PACKAGING}/changelog)
file(STRINGS ${TS_PACKAGING}/changelog trailer REGEX "^ -- " LIMIT_COUNT 1)
set(TS_RELEASE_DATE "")
if(trailer MATCHES ", ([0-9]+) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  set(day ${CMAKE_MATCH_1})
  set(year ${CMAKE_MATCH_3})
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(FIND months ${CMAKE_MATCH_2} month)
  math(EXPR month "${month} + 1")
  string(REGEX REPLACE "^([0-9])$" "0\\1" month ${month})
  string(REGEX REPLACE "^([0-9])$" "0\\1" day ${day})
  set(TS_RELEASE_DATE ${year}-${month}-${day})
endif()
if(NOT TS_RELEASE_DATE)
  message(FATAL_ERROR "packaging/changelog: no date in the newest entry's trailer line")
endif()

set(TS_METAINFO ${CMAKE_BINARY_DIR}/packaging/${TS_APP_ID}.metainfo.xml)
configure_file(${TS_PACKAGING}/${TS_APP_ID}.metainfo.xml.in ${TS_METAINFO} @ONLY)
install(FILES ${TS_METAINFO} DESTINATION share/metainfo)
install(FILES ${TS_PACKAGING}/${TS_APP_ID}.desktop DESTINATION share/applications)
# The icon, drawn at each size by the default skin's drawing code (tools/skin/default_skin.cpp).
foreach(size 16 32 48 64 128 256)
  install(FILES ${TS_PACKAGING}/icons/tunestrip-${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME tunestrip.png)
endforeach()

# The licence, and the changelog compressed as Debian keeps it (no name or time in the header).
find_program(TS_GZIP gzip REQUIRED)
set(TS_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${TS_CHANGELOG_GZ}
  COMMAND ${CMAKE_COMMAND} -E copy ${TS_PACKAGING}/changelog ${CMAKE_BINARY_DIR}/packaging/changelog
  COMMAND ${TS_GZIP} -9nf ${CMAKE_BINARY_DIR}/packaging/changelog
  DEPENDS ${TS_PACKAGING}/changelog
  COMMENT "The compressed changelog"
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${TS_CHANGELOG_GZ})
install(FILES ${TS_PACKAGING}/copyright ${TS_CHANGELOG_GZ} DESTINATION ${TS_DOC_DEST})

# The package. Its dependencies are the shared libraries the programs link, as dpkg-shlibdeps
# names them, and the fonts the phone draws with. Sound and OpenGL are tried at run time, so
# neither a sound card nor a GPU is needed; the editor's OpenGL context, which SDL opens by
# name when the window starts, wants libgl1 (with Mesa's software renderer where there is no
# GPU), so it is recommended.
# CPack adds an ldconfig call to postinst and postrm for any shared object under /usr/lib; the
# module is loaded by its path and needs none, but the call does no harm.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tunestrip)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_CONTACT "TuneStrip maintainers <maintainers@users.noreply.c-seed-3c0df853.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "simulated phone and skin tools for the TuneStrip panel")
set(CPACK_PACKAGE_DESCRIPTION [[
TuneStrip is an add-on for a phone's media player: it slides a skinnable
panel over the bottom of the screen with the track's tags, the stream's
bitrate, sample rate and channel mode, the times, the cover picture, a
progress bar and up to five buttons.

This package runs the add-on on a PC, on a simulated phone that loads it
as the phone does: tunestrip-sim previews a skin in a window with sound,
or runs scripts and writes pictures of the screen; tunestrip-bcfg edits
the configuration file, tunestrip-skin checks a skin before it goes to
the phone, and tunestrip-mp3info prints what the panel reads from MP3
files. The default skin and sample music are included.]])
# build/tunestrip_VERSION_ARCH.deb, for this machine's architecture as dpkg names it.
set(TS_DEB_FILE "")
find_program(TS_DPKG dpkg)
if(TS_DPKG)
  execute_process(COMMAND ${TS_DPKG} --print-architecture OUTPUT_VARIABLE TS_DEB_ARCH
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${TS_DEB_ARCH})
  set(TS_DEB_FILE ${CMAKE_BINARY_DIR}/tunestrip_${PROJECT_VERSION}_${TS_DEB_ARCH}.deb)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-dejavu-core)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libgl1)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
