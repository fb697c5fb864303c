# Brings the install.exe that dicttool carries into its build folder: FROM
# when the build names one, else the win32 preset's install.exe, built
# here first in SOURCE/build/win32. TO is touched only when it changed, so
# dicttool is rebuilt only then. Nothing is carried empty: a missing
# installer stops the build with what to do.
set(default ${SOURCE}/build/win32/install.exe)
if(FROM AND NOT FROM STREQUAL default)
  if(NOT EXISTS "${FROM}")
    message(FATAL_ERROR "dicttool: DICTTOOL_INSTALLER names ${FROM}, which is not there. "
                        "Name an existing install.exe, or leave DICTTOOL_INSTALLER empty to build the win32 one.")
  endif()
else()
  if(NOT WIN32_COMPILER)
    message(FATAL_ERROR "dicttool carries the 32-bit install.exe, and this machine has no i686 MinGW-w64 "
                        "compiler to build it. Install g++-mingw-w64-i686-posix (scripts/deps does), or name "
                        "an install.exe with -DDICTTOOL_INSTALLER=PATH.")
  endif()
  if(NOT EXISTS ${SOURCE}/build/win32/CMakeCache.txt)
    execute_process(COMMAND ${CMAKE_COMMAND} --preset win32 WORKING_DIRECTORY ${SOURCE}
                    OUTPUT_QUIET RESULT_VARIABLE configured)
    if(configured)
      message(FATAL_ERROR "dicttool: configuring the win32 preset, whose install.exe it carries, failed")
    endif()
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${SOURCE}/build/win32 --target installer
                  RESULT_VARIABLE built)
  if(built)
    message(FATAL_ERROR "dicttool: building the win32 install.exe, which it carries, failed (see above)")
  endif()
  set(FROM ${default})
endif()
file(COPY_FILE "${FROM}" "${TO}" ONLY_IF_DIFFERENT)
