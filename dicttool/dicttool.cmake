# dicttool, the publishers' command-line tool, built from the installer's
# own core: build/<preset>/dicttool (dicttool.exe, a console program, on
# Windows). Included from the top CMakeLists so that the program lies at the
# top of the build tree.

# nlohmann-json and CLI11 are header-only. The compiler sees a folder of two
# links to their include folders, never the host's whole include directory
# (which the MinGW builds must not search). Without the Debian packages, a
# toolchain's own copies (MSYS2's, say) are used.
set(DICTTOOL_HEADERS_ROOT /usr/include CACHE PATH "Where nlohmann/json.hpp and CLI/CLI.hpp are")
set(DICTTOOL_THIRD_PARTY ${CMAKE_BINARY_DIR}/third-party-include)
file(MAKE_DIRECTORY ${DICTTOOL_THIRD_PARTY})
foreach(library nlohmann CLI)
  if(EXISTS ${DICTTOOL_HEADERS_ROOT}/${library})
    file(CREATE_LINK ${DICTTOOL_HEADERS_ROOT}/${library} ${DICTTOOL_THIRD_PARTY}/${library} SYMBOLIC)
  endif()
endforeach()
if(NOT EXISTS ${DICTTOOL_THIRD_PARTY}/nlohmann/json.hpp OR NOT EXISTS ${DICTTOOL_THIRD_PARTY}/CLI/CLI.hpp)
  message(STATUS "dicttool: nlohmann-json or CLI11 not under ${DICTTOOL_HEADERS_ROOT} "
                 "(Debian: nlohmann-json3-dev libcli11-dev, scripts/deps installs them); the toolchain's are used")
endif()

# Everything of the tool but its entry and its platform seams, for its tests too.
set(DICTTOOL_DIR ${CMAKE_CURRENT_SOURCE_DIR}/dicttool)
add_library(dicttoolcore STATIC
  ${DICTTOOL_DIR}/Bundle.cpp ${DICTTOOL_DIR}/Encoding.cpp ${DICTTOOL_DIR}/FolderTree.cpp
  ${DICTTOOL_DIR}/LanguageCheck.cpp ${DICTTOOL_DIR}/Report.cpp ${DICTTOOL_DIR}/ScriptCheck.cpp
  ${DICTTOOL_DIR}/ToolFiles.cpp ${DICTTOOL_DIR}/WordListTools.cpp)
target_link_libraries(dicttoolcore PUBLIC installcore)
target_include_directories(dicttoolcore SYSTEM PUBLIC ${DICTTOOL_THIRD_PARTY})
if(WIN32)
  target_sources(dicttoolcore PRIVATE ${DICTTOOL_DIR}/PlatformWin32.cpp)
else()
  target_sources(dicttoolcore PRIVATE ${DICTTOOL_DIR}/PlatformPosix.cpp)
endif()
# bundle --sign runs the signing step of these sources (or DICTTOOL_SIGN).
set_source_files_properties(${DICTTOOL_DIR}/Bundle.cpp PROPERTIES
                            COMPILE_DEFINITIONS DICTTOOL_SIGN_SCRIPT="${CMAKE_CURRENT_SOURCE_DIR}/scripts/sign")

# The winget manifest is written with yaml-cpp (Debian's libyaml-cpp-dev),
# which Debian has for the host only: dicttool.exe says so instead.
if(NOT WIN32)
  find_package(yaml-cpp REQUIRED)
  target_sources(dicttoolcore PRIVATE ${DICTTOOL_DIR}/Manifest.cpp)
  target_link_libraries(dicttoolcore PUBLIC yaml-cpp)
endif()

add_executable(dicttool ${DICTTOOL_DIR}/Main.cpp ${DICTTOOL_DIR}/ToolSeams.cpp ${DICTTOOL_DIR}/CarriedInstaller.cpp)
target_link_libraries(dicttool PRIVATE dicttoolcore)
if(WIN32)
  # The system's Italian comparison, the Windows file replacement, code
  # pages, the comparison of paths, and the payload's SHA-256 and files come
  # from core_win32 and payload.
  target_link_options(dicttool PRIVATE -static -static-libgcc -static-libstdc++ $<$<CONFIG:Release>:-s>)
  target_link_libraries(dicttool PRIVATE no_faults)
else()
  # On other hosts they come from core_posix.
  target_compile_definitions(dicttool PRIVATE DICTTOOL_MANIFEST)
endif()

# The install.exe that bundle uses by default is put into dicttool: the
# 32-bit one (it runs on 32- and 64-bit Windows). The win32 preset carries
# the one it builds. Every other build carries DICTTOOL_INSTALLER when it is
# given, else the win32 preset's, which it builds first (at each build, so
# that it is never stale); without an i686 compiler it refuses and says how.
# It never carries an empty one.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(DICTTOOL_CARRIED ${CMAKE_BINARY_DIR}/install.exe)
  add_dependencies(dicttool installer)
else()
  set(DICTTOOL_INSTALLER "" CACHE FILEPATH
      "The install.exe that dicttool carries (default: the win32 preset's, built first)")
  find_program(DICTTOOL_WIN32_COMPILER i686-w64-mingw32-g++-posix)
  set(DICTTOOL_CARRIED ${CMAKE_BINARY_DIR}/carried/install.exe)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/carried)
  add_custom_target(carried_installer VERBATIM
    COMMAND ${CMAKE_COMMAND} -DFROM=${DICTTOOL_INSTALLER} -DTO=${DICTTOOL_CARRIED} -DSOURCE=${CMAKE_SOURCE_DIR}
            -DWIN32_COMPILER=${DICTTOOL_WIN32_COMPILER}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/CopyCarriedInstaller.cmake
    BYPRODUCTS ${DICTTOOL_CARRIED})
  add_dependencies(dicttool carried_installer)
endif()
set_source_files_properties(${DICTTOOL_DIR}/CarriedInstaller.cpp PROPERTIES OBJECT_DEPENDS ${DICTTOOL_CARRIED}
                            COMPILE_DEFINITIONS CARRIED_INSTALLER="${DICTTOOL_CARRIED}")
