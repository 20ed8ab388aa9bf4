# Install rules of Tevarin, the one place for them:
#   bin/                         tevarin, tevarin-cli, tevarin-mkcollection
#   share/tevarin/               the help pages and the intro movie
#   share/applications/          the menu entry (<app id>.desktop)
#   share/icons/hicolor/         the icon, SVG and PNG sizes
#   share/metainfo/              the AppStream metadata (<app id>.metainfo.xml)
#   share/man/man1/              a manual page per program
#   share/doc/tevarin/           copyright and changelog
# Included from the top-level CMakeLists.txt once every target is defined.
# Every rule checks that its target exists, so a build without the desktop
# program or without the builder installs what it has.
#
# Sources live in packaging/. The PNG icons are rendered from the SVG at build
# time with rsvg-convert (Debian package librsvg2-bin); the manual pages and
# the changelog are compressed with gzip -9n, as Debian wants them.

include(GNUInstallDirs)

# The menu entry's and the metadata's name. Reverse-DNS, as AppStream asks.
set(TEVARIN_APP_ID "org.tevarin.Tevarin" CACHE STRING
    "Identifier of the desktop entry and the AppStream metadata")

set(TEVARIN_PACKAGING_SRC ${CMAKE_SOURCE_DIR}/packaging)
set(TEVARIN_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
set(TEVARIN_ICON_SIZES 16 22 24 32 48 64 128 256)

# Folders created by the install step get 0755 whatever the umask; packages
# must not hold group-writable folders.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# --- Release facts, read from packaging/changelog ---------------------------
# The changelog's newest entry gives the release date (manual pages, AppStream
# release) and the maintainer (the package's Maintainer field), so the three
# never disagree. Its version must be the project's version.
file(STRINGS ${TEVARIN_PACKAGING_SRC}/changelog TEVARIN_CHANGELOG_LINES)
set(TEVARIN_CHANGELOG_VERSION "")
set(TEVARIN_RELEASE_DATE "")
set(TEVARIN_CHANGELOG_MAINTAINER "")
foreach(line IN LISTS TEVARIN_CHANGELOG_LINES)
  if(TEVARIN_CHANGELOG_VERSION STREQUAL "" AND line MATCHES "^tevarin \\(([^)]+)\\)")
    set(TEVARIN_CHANGELOG_VERSION ${CMAKE_MATCH_1})
  elseif(line MATCHES "^ -- (.+)  [A-Z][a-z][a-z], ([0-9]+) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    set(TEVARIN_CHANGELOG_MAINTAINER "${CMAKE_MATCH_1}")
    set(day ${CMAKE_MATCH_2})
    set(month_name ${CMAKE_MATCH_3})
    set(year ${CMAKE_MATCH_4})
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(FIND months ${month_name} month)
    math(EXPR month "${month} + 1")
    if(month LESS 10)
      set(month "0${month}")
    endif()
    if(day MATCHES "^[0-9]$")
      set(day "0${day}")
    endif()
    set(TEVARIN_RELEASE_DATE "${year}-${month}-${day}")
    break()
  endif()
endforeach()
if(TEVARIN_RELEASE_DATE STREQUAL "" OR TEVARIN_CHANGELOG_MAINTAINER STREQUAL "")
  message(FATAL_ERROR "packaging/changelog: no entry with a maintainer and a date found")
endif()
if(NOT TEVARIN_CHANGELOG_VERSION STREQUAL PROJECT_VERSION)
  message(WARNING "packaging/changelog names version ${TEVARIN_CHANGELOG_VERSION}, the project "
                  "is ${PROJECT_VERSION}: add a changelog entry for this version")
endif()

# --- Generated files ----------------------------------------------------------
set(TEVARIN_GENERATED "")

# Compresses SRC into OUT the way Debian wants it: gzip -9, no name, no time.
function(tevarin_gzip src out)
  get_filename_component(dir ${out} DIRECTORY)
  string(REGEX REPLACE "\\.gz$" "" plain ${out})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${CMAKE_COMMAND} -E copy ${src} ${plain}
    COMMAND gzip -9nf ${plain}
    DEPENDS ${src} VERBATIM)
  set(TEVARIN_GENERATED ${TEVARIN_GENERATED} ${out} PARENT_SCOPE)
endfunction()

# Manual pages: the release date and version are filled in, then compressed.
foreach(program tevarin tevarin-cli tevarin-mkcollection)
  if(TARGET ${program})
    configure_file(${TEVARIN_PACKAGING_SRC}/man/${program}.1.in
                   ${TEVARIN_PACKAGING_OUT}/man/${program}.1 @ONLY)
    tevarin_gzip(${TEVARIN_PACKAGING_OUT}/man/${program}.1
                 ${TEVARIN_PACKAGING_OUT}/man/gz/${program}.1.gz)
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # A stripped install (cmake --install --strip, CPack) also drops the
    # compiler's version notes, as Debian's own packaging tools do.
    if(CMAKE_OBJCOPY)
      install(CODE "if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")
      endif()")
    endif()
    install(FILES ${TEVARIN_PACKAGING_OUT}/man/gz/${program}.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()

tevarin_gzip(${TEVARIN_PACKAGING_SRC}/changelog ${TEVARIN_PACKAGING_OUT}/doc/changelog.gz)
install(FILES ${TEVARIN_PACKAGING_SRC}/copyright ${TEVARIN_PACKAGING_OUT}/doc/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/tevarin)

if(TARGET tevarin)
  # The desktop program's files: the help pages and the intro movie. (Its
  # translations are built into the program.)
  set(TEVARIN_SHARE_FILES "")
  foreach(name help.html help_zh_TW.html help_en.html main.swf)
    if(EXISTS ${CMAKE_SOURCE_DIR}/res/${name})
      list(APPEND TEVARIN_SHARE_FILES ${CMAKE_SOURCE_DIR}/res/${name})
    else()
      message(WARNING "res/${name} is missing: it is not installed")
    endif()
  endforeach()
  install(FILES ${TEVARIN_SHARE_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/tevarin)

  install(FILES ${TEVARIN_PACKAGING_SRC}/tevarin.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
          RENAME ${TEVARIN_APP_ID}.desktop)

  configure_file(${TEVARIN_PACKAGING_SRC}/tevarin.metainfo.xml.in
                 ${TEVARIN_PACKAGING_OUT}/${TEVARIN_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${TEVARIN_PACKAGING_OUT}/${TEVARIN_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # Icons: the SVG as it is, and each PNG size rendered from it.
  set(icon_svg ${TEVARIN_PACKAGING_SRC}/icons/tevarin.svg)
  install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  find_program(TEVARIN_RSVG_CONVERT rsvg-convert)
  if(TEVARIN_RSVG_CONVERT)
    foreach(size IN LISTS TEVARIN_ICON_SIZES)
      set(png ${TEVARIN_PACKAGING_OUT}/icons/${size}x${size}/tevarin.png)
      add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${TEVARIN_PACKAGING_OUT}/icons/${size}x${size}
        COMMAND ${TEVARIN_RSVG_CONVERT} --width ${size} --height ${size} --format png
                --output ${png} ${icon_svg}
        DEPENDS ${icon_svg} VERBATIM)
      list(APPEND TEVARIN_GENERATED ${png})
      install(FILES ${png}
              DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
  else()
    message(WARNING "rsvg-convert not found (Debian package librsvg2-bin): only the SVG icon "
                    "is installed, no PNG sizes")
  endif()
endif()

add_custom_target(tevarin_packaging_files ALL DEPENDS ${TEVARIN_GENERATED})
