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
  ${DICTTOOL_DIR}/Encoding.cpp ${DICTTOOL_DIR}/FolderTree.cpp ${DICTTOOL_DIR}/LanguageCheck.cpp
  ${DICTTOOL_DIR}/Report.cpp ${DICTTOOL_DIR}/ScriptCheck.cpp ${DICTTOOL_DIR}/ToolFiles.cpp
  ${DICTTOOL_DIR}/WordListTools.cpp)
target_link_libraries(dicttoolcore PUBLIC installcore)
target_include_directories(dicttoolcore SYSTEM PUBLIC ${DICTTOOL_THIRD_PARTY})
if(WIN32)
  target_sources(dicttoolcore PRIVATE ${DICTTOOL_DIR}/PlatformWin32.cpp)
else()
  target_sources(dicttoolcore PRIVATE ${DICTTOOL_DIR}/PlatformPosix.cpp)
endif()

add_executable(dicttool ${DICTTOOL_DIR}/Main.cpp ${DICTTOOL_DIR}/ToolSeams.cpp)
target_link_libraries(dicttool PRIVATE dicttoolcore)
if(WIN32)
  # The system's Italian comparison, file replacement, code pages and
  # comparison of paths.
  target_sources(dicttool PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/base/CollationWin32.cpp
                                  ${CMAKE_CURRENT_SOURCE_DIR}/base/FileLayerWin32.cpp
                                  ${CMAKE_CURRENT_SOURCE_DIR}/base/CodePageWin32.cpp
                                  ${CMAKE_CURRENT_SOURCE_DIR}/base/PathTextWin32.cpp
                                  ${CMAKE_CURRENT_SOURCE_DIR}/base/WideTextWin32.cpp)
  target_link_options(dicttool PRIVATE -static -static-libgcc -static-libstdc++ $<$<CONFIG:Release>:-s>)
else()
  target_sources(dicttool PRIVATE ${DICTTOOL_DIR}/HostSeams.cpp)
endif()
