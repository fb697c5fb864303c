# Brings the install.exe that dicttool carries into its build folder: FROM
# copied to TO when it is there (touched only when it changed, so dicttool
# is rebuilt only then), else an empty TO (dicttool then carries none).
if(EXISTS "${FROM}")
  file(COPY_FILE "${FROM}" "${TO}" ONLY_IF_DIFFERENT)
elseif(EXISTS "${TO}")
  file(SIZE "${TO}" size)
  if(NOT size EQUAL 0)
    file(WRITE "${TO}" "")
  endif()
else()
  file(WRITE "${TO}" "")
endif()
