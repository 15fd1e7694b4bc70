# Builds a C++ source that names, for every request code of the request
# tables, its handler function and the source file defining it: the rows are
# read as {"/2001", camera_list, ...}, the definitions from lines that start
# "int NAME(const char*" (or "static int ...") and do not end in ";".
# A row this misses has no entry, and `nvr-api-codes --check` names it.
#   cmake -DSRC_DIR=<source dir> -DOUT=<file.cpp> -P handler_files.cmake
file(GLOB_RECURSE sources RELATIVE "${SRC_DIR}" "${SRC_DIR}/handlers/*.cpp")
list(SORT sources)
set(rows "")
foreach(rel IN LISTS sources)
  file(STRINGS "${SRC_DIR}/${rel}" lines REGEX "^(static )?int [A-Za-z_][A-Za-z_0-9]*\\(const char\\*|{\"/")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "^(static )?int ([A-Za-z_0-9]*)\\(const char\\*" def "${line}")
    if(def AND NOT line MATCHES ";[ ]*$")
      string(REGEX REPLACE "^(static )?int ([A-Za-z_0-9]*).*" "\\2" name "${def}")
      list(APPEND "files_of_${name}" "${rel}")
    endif()
    string(REGEX MATCHALL "{\"/[^\"]*\", *[A-Za-z_][A-Za-z_0-9]*" hits "${line}")
    foreach(hit IN LISTS hits)
      string(REGEX REPLACE "^{\"([^\"]*)\".*" "\\1" code "${hit}")
      string(REGEX REPLACE ".*, *" "" name "${hit}")
      list(APPEND rows "${code}=${name}")
    endforeach()
  endforeach()
endforeach()

set(entries "")
set(n 0)
foreach(row IN LISTS rows)
  string(REGEX REPLACE "=.*" "" code "${row}")
  string(REGEX REPLACE ".*=" "" name "${row}")
  list(LENGTH "files_of_${name}" defs)
  if(defs GREATER 1)
    # Two files define a local function of this name: which one the row
    # means is not known from the text.
    message(FATAL_ERROR "the handler ${name} of ${code} is defined in ${files_of_${name}}")
  elseif(defs EQUAL 1)
    string(APPEND entries "    {\"${code}\", \"${name}\", \"${files_of_${name}}\"},\n")
    math(EXPR n "${n} + 1")
  endif()
endforeach()

set(body "// Generated from the handler sources by cmake/handler_files.cmake; do not edit.\n")
string(APPEND body "#include \"front/handler_files.h\"\n\n")
string(APPEND body "const HandlerFile kHandlerFiles[] = {\n${entries}};\n")
string(APPEND body "const int kHandlerFileCount = ${n};\n")
include(${CMAKE_CURRENT_LIST_DIR}/write_if_changed.cmake)
write_if_changed("${OUT}" "${body}")
