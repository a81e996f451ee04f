# What `cmake --install` puts where (GNU install dirs), and the Debian
# packages CPack makes of it (scripts/package.sh).
#
#   bin/Snd_Pull, bin/Snd_Info                          component programs
#   share/man/man1/*.1.gz, share/bash-completion/...    component programs
#   share/doc/sndpull/ (README, docs, licences, changes) component programs
#   share/sndpull/web/ (the page, when it was built)     component web
#   lib/libsndcore.a, include/sndpull/..., lib/cmake/SndPull/,
#   lib/pkgconfig/sndpull.pc                             component dev
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(SND_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/sndpull)

install(TARGETS Snd_Pull Snd_Info RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)

# Man pages go out compressed, as Debian has them (-n: no name or time in the
# header, so the same page gives the same bytes).
find_program(SND_GZIP gzip)
set(SND_MAN_PAGES)
foreach(page Snd_Pull.1 Snd_Info.1)
  if(SND_GZIP)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${SND_GZIP} -9n -c ${CMAKE_SOURCE_DIR}/dist/man/${page} > ${CMAKE_BINARY_DIR}/man/${page}.gz
      DEPENDS ${CMAKE_SOURCE_DIR}/dist/man/${page} VERBATIM)
    list(APPEND SND_MAN_PAGES ${CMAKE_BINARY_DIR}/man/${page}.gz)
  else()
    list(APPEND SND_MAN_PAGES ${CMAKE_SOURCE_DIR}/dist/man/${page})
  endif()
endforeach()
add_custom_target(man_pages ALL DEPENDS ${SND_MAN_PAGES})
install(FILES ${SND_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT programs)
install(FILES dist/completion/Snd_Pull dist/completion/Snd_Info
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT programs)

install(FILES README.md LICENSE THIRD-PARTY.md CHANGELOG.md DESTINATION ${SND_DOCDIR} COMPONENT programs)
install(DIRECTORY docs/ DESTINATION ${SND_DOCDIR}/docs COMPONENT programs)

# The page is built apart (scripts/web.sh, with Emscripten); it is installed
# when it is there.
set(SND_WEB_DIR ${CMAKE_SOURCE_DIR}/build/web CACHE PATH "The built page that `cmake --install` copies, when it exists")
install(DIRECTORY ${SND_WEB_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/sndpull/web COMPONENT web OPTIONAL)

# The core as a library: the package reader, the sound object, the WAVE
# model and the sample codecs. Its headers include each other by paths
# relative to themselves, so they stand under include/sndpull/ as they stand
# here; the platform layer's own headers stay out, except the four the
# others include.
set(SND_PUBLIC_COMMON Diagnostics.h InputFile.h LittleEndian.h OutputFile.h)
list(TRANSFORM SND_PUBLIC_COMMON PREPEND ${CMAKE_SOURCE_DIR}/common/)
install(FILES ${SND_PUBLIC_COMMON} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/sndpull/common COMPONENT dev)
foreach(part package sound wave)
  file(GLOB part_headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${part}/*.h)
  install(FILES ${part_headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/sndpull/${part} COMPONENT dev)
endforeach()

install(TARGETS sndcore EXPORT SndPullTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
set(SND_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/SndPull)
install(EXPORT SndPullTargets NAMESPACE SndPull:: DESTINATION ${SND_CMAKEDIR} COMPONENT dev)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/SndPullConfig.cmake.in
  ${CMAKE_BINARY_DIR}/SndPullConfig.cmake INSTALL_DESTINATION ${SND_CMAKEDIR})
# While the API is young, a minor version may change it.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/SndPullConfigVersion.cmake COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/SndPullConfig.cmake ${CMAKE_BINARY_DIR}/SndPullConfigVersion.cmake
        DESTINATION ${SND_CMAKEDIR} COMPONENT dev)

# pkg-config: the prefix is found from the .pc file's own place, so the tree
# may be moved.
file(RELATIVE_PATH SND_PC_TO_PREFIX ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" SND_PC_TO_PREFIX "${SND_PC_TO_PREFIX}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/sndpull.pc.in ${CMAKE_BINARY_DIR}/sndpull.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/sndpull.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# Only in the Debian packages: each package's copyright file and its
# changelog, compressed, under its own doc folder.
file(READ ${CMAKE_SOURCE_DIR}/LICENSE SND_LICENSE_TEXT)
file(READ ${CMAKE_SOURCE_DIR}/THIRD-PARTY.md SND_THIRD_PARTY_TEXT)
file(WRITE ${CMAKE_BINARY_DIR}/deb/copyright "${SND_LICENSE_TEXT}\n${SND_THIRD_PARTY_TEXT}")
if(SND_GZIP)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/deb/changelog.gz
    COMMAND ${SND_GZIP} -9n -c ${CMAKE_SOURCE_DIR}/CHANGELOG.md > ${CMAKE_BINARY_DIR}/deb/changelog.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/CHANGELOG.md VERBATIM)
  add_custom_target(deb_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/deb/changelog.gz)
  foreach(component programs dev)
    set(doc ${CMAKE_INSTALL_DATADIR}/doc/sndpull)
    if(component STREQUAL dev)
      set(doc ${doc}-dev)
    endif()
    install(FILES ${CMAKE_BINARY_DIR}/deb/copyright ${CMAKE_BINARY_DIR}/deb/changelog.gz
            DESTINATION ${doc} COMPONENT ${component} EXCLUDE_FROM_ALL)
  endforeach()
endif()

# The Debian packages: sndpull (the programs) and sndpull-dev (the library).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sndpull)
set(CPACK_PACKAGE_VENDOR "the Snd_Pull authors")
set(CPACK_PACKAGE_CONTACT "Snd_Pull authors <maintainers@sndpull.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL programs dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME sndpull)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME sndpull-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
find_program(SND_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(SND_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PROGRAMS_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6")
endif()
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libstdc++-12-dev | libstdc++-dev")
set(CPACK_COMPONENT_PROGRAMS_DESCRIPTION "copy sounds out of .kzs sound packages into WAVE files
Snd_Pull runs an export script over sound packages and writes each sound it
names as a stand-alone WAVE file. Snd_Info lists and inspects packages and
WAVE files, as text or JSON, and extracts sounds, as stored or as PCM.")
set(CPACK_COMPONENT_DEV_DESCRIPTION "WAVE model and sound package reader (development files)
A static C++20 library that reads .kzs sound packages and loads, edits, sizes
and saves RIFF WAVE files chunk by chunk, with its headers, a CMake package
(SndPull::core) and a pkg-config file (sndpull).")
include(CPack)
