# Desktop integration and the Debian package: the menu entry, icon and MIME associations, the
# AppStream metainfo, man pages made from the programs' own --help, and `cpack -G DEB`.
include(GNUInstallDirs)

set(TS2_HOMEPAGE "https://ts2edit.example.org" CACHE STRING
    "Where the project is published: the metainfo's homepage; its docs/screenshot.png is the screenshot")
set(TS2_MAINTAINER "ts2edit developers <ts2edit@example.org>" CACHE STRING "The package's maintainer")
set(TS2_APPSTREAM_ID "org.ts2edit.ts2edit")
# SOURCE_DATE_EPOCH, when set, makes these dates (and so the package) reproducible.
string(TIMESTAMP TS2_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP TS2_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

set(generated ${PROJECT_BINARY_DIR}/desktop)
configure_file(${PROJECT_SOURCE_DIR}/desktop/ts2edit.metainfo.xml.in
               ${generated}/${TS2_APPSTREAM_ID}.metainfo.xml @ONLY)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE TS2_LICENSE_TEXT)
configure_file(${PROJECT_SOURCE_DIR}/desktop/copyright.in ${generated}/copyright @ONLY)
# The licence text, indented as the copyright format wants it ("." for an empty line).
string(REGEX REPLACE "\n\n" "\n.\n" licence "${TS2_LICENSE_TEXT}")
string(REGEX REPLACE "\n([^\n])" "\n \\1" licence " ${licence}")
file(APPEND ${generated}/copyright "${licence}")
configure_file(${PROJECT_SOURCE_DIR}/desktop/changelog.in ${generated}/changelog @ONLY)

install(FILES ${PROJECT_SOURCE_DIR}/desktop/ts2edit.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/ts2edit.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${generated}/${TS2_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${generated}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Bash completion, loaded by bash-completion when `ts2tool` is first completed.
install(FILES ${PROJECT_SOURCE_DIR}/desktop/ts2tool.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ts2tool)

# Compressed as Debian wants them (gzip -9n: no name, no time stamp).
find_program(GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${generated}/changelog.gz
                   COMMAND ${GZIP} -9nc ${generated}/changelog > ${generated}/changelog.gz
                   DEPENDS ${generated}/changelog VERBATIM)
set(docs ${generated}/changelog.gz)

# Man pages from each program's --help and --version, made at build time, so they say what the
# programs say.
find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(TS2_NAME_ts2edit "script editor for translators of Tormel Saragon 2")
  set(TS2_NAME_ts2tool "the ts2edit editor's logic on the command line")
  # ts2tool hands its --help over to ts2tool-qt, which lists every command: its man page is made
  # again when either program's file changes (a program named here is a dependency on its file).
  set(TS2_MAN_DEPENDS_ts2edit ts2edit)
  set(TS2_MAN_DEPENDS_ts2tool ts2tool ts2tool-qt)
  foreach(program ts2edit ts2tool)
    add_custom_command(
      OUTPUT ${generated}/${program}.1.gz
      COMMAND ${HELP2MAN} --no-info --no-discard-stderr "--name=${TS2_NAME_${program}}"
              --output=${generated}/${program}.1 $<TARGET_FILE:${program}>
      COMMAND ${GZIP} -9nf ${generated}/${program}.1
      DEPENDS ${TS2_MAN_DEPENDS_${program}} VERBATIM)
    list(APPEND docs ${generated}/${program}.1.gz)
    install(FILES ${generated}/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(STATUS "help2man not found: no man pages (scripts/setup.sh deps installs it)")
endif()
add_custom_target(ts2docs ALL DEPENDS ${docs})
install(FILES ${generated}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# cpack -G DEB (scripts/package.sh builds with Debian's hardening flags and runs it).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ts2edit)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${TS2_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "script editor for translators of Tormel Saragon 2")
# The extended description: CPack indents it and marks the empty line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "ts2edit opens the ROM image of the Super Nintendo game Tormel Saragon 2,
lists its script block by block and string by string, and draws each
string in a game-like text box with the game's own font. The translation
is drawn in a second box as it is typed. It applies IPS and BPS patches to
the ROM image and checks every translation against the text box.

ts2tool runs the same code on the command line, for batch work and CI.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TS2_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its platform plugins at run time, so dpkg-shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The Kana Text window shows the original text in a font that has Japanese (qt/qt_text.cpp's
# KanaFont looks for these fonts' families, IPAGothic first), and the spelling check offers the
# Hunspell dictionaries installed, which each provide hunspell-dictionary.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic | fonts-noto-cjk | fonts-vlgothic")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "hunspell-dictionary")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
