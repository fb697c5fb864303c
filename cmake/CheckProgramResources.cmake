# Reads a built program's resources back (windres decompiles the .rsrc of
# the PE file) and fails when the manifest or the version resource is not
# what every program of the installation must carry: a manifest that asks
# for an administrator's rights and names the supported systems, nothing
# that changes how the window looks or is scaled, and a version resource
# with the project's version and the program's file name.
#
#   cmake -DWINDRES=... -DPROGRAM=... -DFILE_NAME=install.exe -DVERSION=1.0.0.0 -P CheckProgramResources.cmake
execute_process(COMMAND ${WINDRES} -i ${PROGRAM} -O rc
                OUTPUT_VARIABLE rc ERROR_VARIABLE error RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM}: windres cannot read its resources: ${error}")
endif()

string(REPLACE "." ", " numbers "${VERSION}")
set(required
  "1 24 /* RT_MANIFEST */"
  "level=\"\"requireAdministrator\"\""
  "{e2011457-1546-43c5-a5fe-008deee3d3f0}"  # Vista
  "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"  # 7
  "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"  # 8
  "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"  # 8.1
  "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"  # 10 and 11
  "1 VERSIONINFO"
  " FILEVERSION ${numbers}\n"
  " PRODUCTVERSION ${numbers}\n"
  "VALUE \"FileVersion\", \"${VERSION}\""
  "VALUE \"ProductVersion\", \"${VERSION}\""
  "VALUE \"OriginalFilename\", \"${FILE_NAME}\""
  "VALUE \"FileDescription\", \""
  "VALUE \"ProductName\", \""
  "VALUE \"CompanyName\", \"")
set(forbidden dpiAware dpiAwareness gdiScaling Microsoft.Windows.Common-Controls activeCodePage longPathAware)

foreach(text IN LISTS required)
  string(FIND "${rc}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${PROGRAM}: its resources lack ${text}")
  endif()
endforeach()
foreach(text IN LISTS forbidden)
  string(FIND "${rc}" "${text}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${PROGRAM}: its manifest holds ${text}")
  endif()
endforeach()
