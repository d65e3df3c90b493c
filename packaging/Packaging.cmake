# Installation and the Debian package.
#
# `cmake --install build --prefix DIR` puts the two programs into DIR/bin and,
# under DIR/share, the desktop entry, the icon (scalable and in PNG sizes), the
# file type of the vortex structure files, the AppStream data, the manual pages
# of ltr and ltr-cli (from the programs' own help, by help2man), the bash
# completion of ltr-cli (from its help), the package's copyright and changelog.
# `cpack` in the build folder (scripts/package.sh) writes ltr_<version>_amd64.deb.

include(GNUInstallDirs)

# Names that identify the program outside this project; the desktop entry, the
# icon, the file type and the AppStream data take theirs from here.
set(LTR_APP_ID "ru.kvilon.ltr" CACHE STRING
    "Desktop ID of the program: the names of its desktop entry, icon and AppStream data")
set(LTR_PUBLIC_URL "https://ltr.kvilon.example" CACHE STRING
    "Where the project is published: the AppStream home page and the base of its screenshot's address")
set(LTR_PACKAGE_MAINTAINER "The Квилон-ЛТР developers <ltr@kvilon.example>" CACHE STRING
    "Maintainer of the Debian package")

set(LTR_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(LTR_SHARE_BUILD_DIR ${CMAKE_BINARY_DIR}/share)

# The package's changelog dates the release; its version must be the project's
# (the package check fails otherwise).
file(STRINGS ${LTR_PACKAGING_DIR}/changelog LTR_CHANGELOG_LINES)
list(GET LTR_CHANGELOG_LINES 0 LTR_CHANGELOG_HEAD)
string(REGEX MATCH "^ltr \\(([^)]+)\\)" _ ${LTR_CHANGELOG_HEAD})
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(WARNING "packaging/changelog describes ${CMAKE_MATCH_1}, the project is ${PROJECT_VERSION}: "
                  "add an entry for ${PROJECT_VERSION}")
endif()
foreach(line IN LISTS LTR_CHANGELOG_LINES)
  if(line MATCHES "^ -- .*  (.*)$")
    set(LTR_CHANGELOG_DATE "${CMAKE_MATCH_1}")
    break()
  endif()
endforeach()
execute_process(COMMAND date -u -d "${LTR_CHANGELOG_DATE}" +%s
                OUTPUT_VARIABLE LTR_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND date -u -d "@${LTR_SOURCE_DATE_EPOCH}" +%Y-%m-%d
                OUTPUT_VARIABLE LTR_RELEASE_DATE OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

# The files made from the programs run only in an ordinary build: a sanitizer
# build's programs may report at exit into what help2man reads.
if(LTR_SANITIZE OR LTR_FUZZ)
  set(LTR_PACKAGE_FILES OFF)
else()
  set(LTR_PACKAGE_FILES ON)
endif()
find_program(LTR_HELP2MAN help2man)
find_program(LTR_RSVG_CONVERT rsvg-convert)
find_program(LTR_GZIP gzip)
find_program(LTR_BASH bash)
if(LTR_PACKAGE_FILES AND NOT (LTR_HELP2MAN AND LTR_RSVG_CONVERT AND LTR_GZIP AND LTR_BASH))
  message(WARNING "help2man, rsvg-convert, gzip or bash not found (scripts/setup.sh installs them): "
                  "no manual pages, PNG icons or completion; an install or package lacks them")
  set(LTR_PACKAGE_FILES OFF)
endif()

# ---------------------------------------------------------------------------
# The programs.
set(LTR_INSTALLED_PROGRAMS ltr-cli)
if(TARGET ltr)
  list(APPEND LTR_INSTALLED_PROGRAMS ltr)
  # The desktop entry and icon the window names to the desktop.
  target_compile_definitions(ltr PRIVATE LTR_DESKTOP_ID="${LTR_APP_ID}")
endif()
install(TARGETS ${LTR_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# ---------------------------------------------------------------------------
# Generated from the programs and the icon's drawing.
if(LTR_PACKAGE_FILES)
  set(generated)
  set(man_dir ${LTR_SHARE_BUILD_DIR}/man/man1)
  foreach(program IN LISTS LTR_INSTALLED_PROGRAMS)
    if(program STREQUAL "ltr-cli")
      # ltr-cli's help with every subcommand in one text.
      set(help_program ${LTR_PACKAGING_DIR}/ltr-cli-help.sh)
    else()
      set(help_program $<TARGET_FILE:${program}>)
    endif()
    add_custom_command(
      OUTPUT ${man_dir}/${program}.1.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${man_dir}
      COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 SOURCE_DATE_EPOCH=${LTR_SOURCE_DATE_EPOCH}
              LTR_CLI=$<TARGET_FILE:ltr-cli>
              ${LTR_HELP2MAN} --locale=C.UTF-8 --no-info --no-discard-stderr
              --include=${LTR_PACKAGING_DIR}/${program}.h2m --output=${man_dir}/${program}.1 ${help_program}
      COMMAND ${LTR_GZIP} -9nf ${man_dir}/${program}.1
      DEPENDS ${program} ltr-cli ${LTR_PACKAGING_DIR}/${program}.h2m ${LTR_PACKAGING_DIR}/ltr-cli-help.sh
      COMMENT "Manual page of ${program}"
      VERBATIM)
    list(APPEND generated ${man_dir}/${program}.1.gz)
    install(FILES ${man_dir}/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()

  set(completion ${LTR_SHARE_BUILD_DIR}/bash-completion/completions/ltr-cli)
  add_custom_command(
    OUTPUT ${completion}
    COMMAND ${LTR_BASH} -c "mkdir -p \"$(dirname \"$2\")\" && \"$0\" \"$1\" > \"$2\""
            ${LTR_PACKAGING_DIR}/ltr-cli-completion.sh $<TARGET_FILE:ltr-cli> ${completion}
    DEPENDS ltr-cli ${LTR_PACKAGING_DIR}/ltr-cli-completion.sh
    COMMENT "Bash completion of ltr-cli"
    VERBATIM)
  list(APPEND generated ${completion})
  install(FILES ${completion} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

  if(TARGET ltr)
    foreach(size 16 22 24 32 48 64 128 256)
      set(icon ${LTR_SHARE_BUILD_DIR}/icons/hicolor/${size}x${size}/apps/${LTR_APP_ID}.png)
      add_custom_command(
        OUTPUT ${icon}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${LTR_SHARE_BUILD_DIR}/icons/hicolor/${size}x${size}/apps
        COMMAND ${LTR_RSVG_CONVERT} --width=${size} --height=${size} --output=${icon} ${LTR_PACKAGING_DIR}/ltr.svg
        DEPENDS ${LTR_PACKAGING_DIR}/ltr.svg
        VERBATIM)
      list(APPEND generated ${icon})
      install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
  endif()
  add_custom_target(ltr_package_files ALL DEPENDS ${generated})
endif()

# ---------------------------------------------------------------------------
# The desktop program's entry, icon, file type and AppStream data.
if(TARGET ltr)
  configure_file(${LTR_PACKAGING_DIR}/ltr.desktop.in
                 ${LTR_SHARE_BUILD_DIR}/applications/${LTR_APP_ID}.desktop @ONLY)
  configure_file(${LTR_PACKAGING_DIR}/ltr.metainfo.xml.in
                 ${LTR_SHARE_BUILD_DIR}/metainfo/${LTR_APP_ID}.metainfo.xml @ONLY)
  configure_file(${LTR_PACKAGING_DIR}/ltr-mime.xml.in
                 ${LTR_SHARE_BUILD_DIR}/mime/packages/${LTR_APP_ID}.xml @ONLY)
  install(FILES ${LTR_SHARE_BUILD_DIR}/applications/${LTR_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${LTR_SHARE_BUILD_DIR}/metainfo/${LTR_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${LTR_SHARE_BUILD_DIR}/mime/packages/${LTR_APP_ID}.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
  install(FILES ${LTR_PACKAGING_DIR}/ltr.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME ${LTR_APP_ID}.svg)
endif()

# The licences of what the package carries, and its history.
set(LTR_CHANGELOG_GZ ${LTR_SHARE_BUILD_DIR}/doc/changelog.gz)
if(LTR_GZIP)
  add_custom_command(
    OUTPUT ${LTR_CHANGELOG_GZ}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${LTR_SHARE_BUILD_DIR}/doc
    COMMAND ${LTR_BASH} -c "\"$0\" -9nc \"$1\" > \"$2\"" ${LTR_GZIP} ${LTR_PACKAGING_DIR}/changelog ${LTR_CHANGELOG_GZ}
    DEPENDS ${LTR_PACKAGING_DIR}/changelog
    VERBATIM)
  add_custom_target(ltr_changelog ALL DEPENDS ${LTR_CHANGELOG_GZ})
  install(FILES ${LTR_CHANGELOG_GZ} DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
install(FILES ${LTR_PACKAGING_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# ---------------------------------------------------------------------------
# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ltr)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Квилон-ЛТР developers")
set(CPACK_PACKAGE_CONTACT "${LTR_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LTR_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${LTR_PUBLIC_URL}")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the programs link come from dpkg-shlibdeps; beyond them the
# windows need Qt's Russian texts and a font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-dejavu-core")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dust concentration in an aspiration enclosure (discrete vortex method)")
# CPack puts the summary before this extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Квилон-ЛТР computes the air flow in an aspiration enclosure (a box with a
dust-laden inflow through its ceiling and a suction opening in its right wall)
with the discrete vortex method, tracks dust particles through that flow and
reports how much dust, and of which sizes, leaves through the suction.
The package holds the desktop program ltr (Russian interface) and ltr-cli,
which runs the same computations headless and prints JSON.

Квилон-ЛТР рассчитывает течение воздуха в аспирационном укрытии (запыленный
приток через потолок, отсос в правой стенке) методом дискретных вихрей,
прослеживает движение пылевых частиц и определяет концентрацию и дисперсный
состав пыли, уносимой в отсос. В пакете программа ltr с русским интерфейсом и
ltr-cli для расчетов из командной строки.")
include(CPack)
