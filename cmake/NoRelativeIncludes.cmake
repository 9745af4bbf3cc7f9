# cmake -DSOURCES=<file with one path a line> -DROOT=<tree> -DSTAMP=<file> -P NoRelativeIncludes.cmake
#
# Fails when a source includes a path with "..": such an include is resolved
# beside the including file, past the include roots that keep each core library
# to the folders below it, so a climbing include would build unnoticed.
file(STRINGS "${SOURCES}" files)
set(found "")
foreach(file IN LISTS files)
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]*\\.\\.[/\\\\]")
  foreach(line IN LISTS lines)
    file(RELATIVE_PATH shown "${ROOT}" "${file}")
    string(STRIP "${line}" line)
    string(APPEND found "\n  ${shown}: ${line}")
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "Includes must name their layer from src/ (\"core/files/SafeFile.h\"), "
                      "never climb with \"..\":${found}")
endif()
file(TOUCH "${STAMP}")
