# Builds a C++ source of compile-time checks from the binary record
# declarations: every struct a header pins with NVR_RECORD_SIZE(T, n) writes
# each member's offset as the comment of its line, and this turns every such
# comment into
#     static_assert(offsetof(T, member) == N, "T.member must be at N (file:line)");
# so a comment that does not match the layout the compiler makes fails the
# build, on whichever target builds the checks.
#
# How a comment reads:
#   i32 id;                   // 12              the member starts at byte 12
#   i32 id;                   // 12  channel id  words may follow the number
#   char masks[2][65];        // 104, 169        elements 0, 1, ... of the
#                                                first dimension (an array's
#                                                first number alone is its start)
#   union {                                      an anonymous struct or union:
#       i32 a;                // 8               its members count from the
#       u32 b;                // 8               record's start like the others
#   };
#   struct {                                     a struct or union that names a
#       i32 x;                // 0               member: its members count from
#       i32 y;                // 4               that member's start, and the
#   } pos;                    // 16              closing line gives its offset
# A struct or union type defined inside a record without a member counts from
# its own start. A member line of a record without an offset comment, a
# record declared in no struct of its header, a conditional (#if) inside a
# record and members a line cannot check (bit-fields, two names on one line,
# a declaration over two lines) stop the generator with the file and line.
#
#   cmake -DSRC_DIR=<source dir> -DOUT=<file.cpp> [-DHEADERS=<h1;h2>] -P record_checks.cmake
# Without HEADERS every header below platform, common, front, handlers, tools,
# tests (not tests/compile_fail) and fuzz is read; the ones that use
# NVR_RECORD_SIZE are checked.
cmake_minimum_required(VERSION 3.18)

if(NOT DEFINED HEADERS)
  set(HEADERS "")
  foreach(dir platform common front handlers tools tests fuzz)
    file(GLOB_RECURSE found RELATIVE "${SRC_DIR}" "${SRC_DIR}/${dir}/*.h")
    list(APPEND HEADERS ${found})
  endforeach()
  list(FILTER HEADERS EXCLUDE REGEX "^tests/compile_fail/")
  list(REMOVE_ITEM HEADERS "platform/record.h")
  list(SORT HEADERS)
endif()

# Characters that CMake's lists treat specially stand in as control
# characters while a header is split into lines.
string(ASCII 1 kSemi)
string(ASCII 2 kOpen)
string(ASCII 3 kClose)
string(ASCII 4 kBackslash)
set(kId "[A-Za-z_][A-Za-z_0-9]*")

# Faults are gathered and named together, each with its file and line.
set(where "")
set(faults "")
macro(fail text)
  string(APPEND faults "\n  ${where}: ${text}")
endmacro()

set(includes "")
set(body "")
set(check_count 0)
set(record_count 0)
set(header_count 0)
foreach(header IN LISTS HEADERS)
  if(IS_ABSOLUTE "${header}")
    set(path "${header}")
    file(RELATIVE_PATH rel "${SRC_DIR}" "${header}")
    if(rel MATCHES "^\\.\\./")
      set(rel "${header}")
    endif()
  else()
    set(path "${SRC_DIR}/${header}")
    set(rel "${header}")
  endif()
  file(READ "${path}" text)
  if(NOT text MATCHES "(^|\n)[ \t]*NVR_RECORD_SIZE\\(")
    continue()
  endif()
  math(EXPR header_count "${header_count} + 1")

  # The records of this header: the types its NVR_RECORD_SIZE lines name.
  string(REGEX MATCHALL "(^|\n)[ \t]*NVR_RECORD_SIZE\\([ \t]*[A-Za-z_0-9:]+" sized "${text}")
  set(records "")
  foreach(s IN LISTS sized)
    string(REGEX REPLACE ".*NVR_RECORD_SIZE\\([ \t]*" "" name "${s}")
    list(APPEND records "${name}")
  endforeach()
  set(found_records "")

  string(REPLACE "\\" "${kBackslash}" text "${text}")
  string(REPLACE ";" "${kSemi}" text "${text}")
  string(REPLACE "[" "${kOpen}" text "${text}")
  string(REPLACE "]" "${kClose}" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")

  # The scopes open at this line, innermost last: depth N's kind is
  # ns (a namespace), other (braces whose content is not a record's),
  # rec (a record) or sub (a struct or union inside a record).
  set(depth 0)
  set(scope_0_kind ns)
  set(scope_0_ns "")
  set(in_comment FALSE)
  set(line_no 0)
  set(file_checks "")
  foreach(raw IN LISTS lines)
    math(EXPR line_no "${line_no} + 1")
    set(where "${rel}:${line_no}")
    string(REPLACE "${kSemi}" ";" line "${raw}")
    string(REPLACE "${kOpen}" "[" line "${line}")
    string(REPLACE "${kClose}" "]" line "${line}")
    string(REPLACE "${kBackslash}" "\\" line "${line}")
    set(kind "${scope_${depth}_kind}")

    # Comments: a block comment is dropped, a line comment kept apart (it
    # holds the offset). String and character literals go first, so that
    # what they hold counts as neither comment nor brace.
    if(in_comment)
      string(FIND "${line}" "*/" end)
      if(end EQUAL -1)
        continue()
      endif()
      math(EXPR end "${end} + 2")
      string(SUBSTRING "${line}" ${end} -1 line)
      set(in_comment FALSE)
    endif()
    string(REGEX REPLACE "\"(\\\\.|[^\"\\\\])*\"" "\"\"" line "${line}")
    string(REGEX REPLACE "'(\\\\.|[^'\\\\])+'" "' '" line "${line}")
    string(REGEX REPLACE "/\\*([^*]|\\*+[^*/])*\\*+/" " " line "${line}")
    set(comment "")
    string(FIND "${line}" "//" at)
    if(NOT at EQUAL -1)
      math(EXPR after "${at} + 2")
      string(SUBSTRING "${line}" ${after} -1 comment)
      string(SUBSTRING "${line}" 0 ${at} line)
    endif()
    string(FIND "${line}" "/*" at)
    if(NOT at EQUAL -1)
      string(SUBSTRING "${line}" 0 ${at} line)
      set(in_comment TRUE)
    endif()
    string(STRIP "${line}" code)
    string(STRIP "${comment}" comment)

    if(code MATCHES "^#")
      if(kind STREQUAL "rec" OR kind STREQUAL "sub")
        fail("a preprocessor line inside a record: its members must be the same on every build")
      endif()
      continue()
    endif()

    # A struct or union opening on its own line.
    if(code MATCHES "^(struct|union)([ \t]+(${kId}))?[ \t]*(final[ \t]*)?(:[^{]*)?{$"
       AND NOT kind STREQUAL "other")
      set(name "${CMAKE_MATCH_3}")
      math(EXPR parent "${depth}")
      math(EXPR depth "${depth} + 1")
      set(scope_${depth}_line "${line_no}")
      set(scope_${depth}_checks "")
      set(scope_${depth}_name "${name}")
      if(kind STREQUAL "ns")
        set(qualified "${scope_${parent}_ns}${name}")
        if(NOT name STREQUAL "" AND (qualified IN_LIST records OR name IN_LIST records))
          set(scope_${depth}_kind rec)
          set(scope_${depth}_type "@T${depth}@")
          set(scope_${depth}_label "@L${depth}@")
          set(scope_${depth}_record "${qualified}")
          set(record "${qualified}")
          list(APPEND found_records "${name}" "${qualified}")
        else()
          set(scope_${depth}_kind other)
        endif()
      else()
        # Whether it counts from a member, from its own start or from the
        # record's is known at its closing line: until then its checks name
        # placeholders.
        set(scope_${depth}_kind sub)
        set(scope_${depth}_type "@T${depth}@")
        set(scope_${depth}_label "@L${depth}@")
      endif()
      continue()
    endif()
    if(kind STREQUAL "ns" AND code MATCHES "^(struct|union)[ \t]+(${kId})$")
      if(CMAKE_MATCH_2 IN_LIST records)
        fail("open the record ${CMAKE_MATCH_2}'s brace on its struct line")
      endif()
    endif()
    if(kind STREQUAL "ns" AND code MATCHES "^(namespace([ \t]+([A-Za-z_0-9:]+))?|extern[ \t]*\"\")[ \t]*{$")
      set(name "${CMAKE_MATCH_3}")
      math(EXPR parent "${depth}")
      math(EXPR depth "${depth} + 1")
      set(scope_${depth}_kind ns)
      if(NOT name STREQUAL "")
        set(scope_${depth}_ns "${scope_${parent}_ns}${name}::")
      else()
        set(scope_${depth}_ns "${scope_${parent}_ns}")
      endif()
      continue()
    endif()

    # The closing line of a record or of a struct or union inside one.
    if((kind STREQUAL "rec" OR kind STREQUAL "sub") AND code MATCHES "^}")
      if(NOT code MATCHES "^}[ \t]*((${kId})[ \t]*((\\[[^]]*\\][ \t]*)*))?;$")
        fail("a record's closing line must be \"};\" or \"} member;\" (with the member's offset comment)")
      endif()
      set(member "${CMAKE_MATCH_2}")
      set(dims "${CMAKE_MATCH_3}")
      set(member_line "")
      math(EXPR parent "${depth} - 1")
      set(type "${scope_${depth}_type}")
      set(label "${scope_${depth}_label}")
      set(checks "${scope_${depth}_checks}")
      if(kind STREQUAL "rec")
        if(NOT member STREQUAL "")
          fail("a record declares no member on its closing line")
        endif()
        set(record "${scope_${depth}_record}")
        string(REPLACE "${type}" "${record}" checks "${checks}")
        string(REPLACE "${label}" "${record}" checks "${checks}")
        string(APPEND file_checks "${checks}")
        math(EXPR record_count "${record_count} + 1")
      else()
        set(ptype "${scope_${parent}_type}")
        set(plabel "${scope_${parent}_label}")
        set(name "${scope_${depth}_name}")
        if(NOT member STREQUAL "")
          # Offsets inside count from the member; its own offset is on this line.
          string(REPLACE "${type}" "std::remove_all_extents_t<decltype(${ptype}::${member})>" checks "${checks}")
          string(REPLACE "${label}" "${plabel}.${member}" checks "${checks}")
          set(member_line "${member}${dims}")
        elseif(NOT name STREQUAL "")
          # A nested type: offsets count from its own start.
          string(REPLACE "${type}" "${ptype}::${name}" checks "${checks}")
          string(REPLACE "${label}" "${plabel}::${name}" checks "${checks}")
        else()
          # An anonymous struct or union: its members are the record's.
          string(REPLACE "${type}" "${ptype}" checks "${checks}")
          string(REPLACE "${label}" "${plabel}" checks "${checks}")
        endif()
        string(APPEND scope_${parent}_checks "${checks}")
      endif()
      math(EXPR depth "${depth} - 1")
      set(kind "${scope_${depth}_kind}")
      if(member_line STREQUAL "")
        continue()
      endif()
      # The member named by the closing line is checked like any other.
      set(code "${member_line};")
    endif()

    # A member line of a record.
    if((kind STREQUAL "rec" OR kind STREQUAL "sub") AND NOT code STREQUAL "")
      set(skip FALSE)
      if(code MATCHES "^(static|constexpr|using|typedef|friend|enum|template|public|private|protected)([^A-Za-z_0-9]|$)")
        set(skip TRUE)
      elseif(code MATCHES "\\(" AND NOT code MATCHES "\\([ \t]*\\*[ \t]*${kId}[ \t]*\\)")
        set(skip TRUE)  # a member function
      endif()
      if(NOT skip)
        if(NOT code MATCHES ";$")
          fail("a record member continues on the next line: declare it on one line")
        endif()
        # Drop an initializer, then read NAME and its array dimensions.
        string(REGEX REPLACE "[ \t]*(=[^;]*|{[^;]*})?;$" "" decl "${code}")
        string(REGEX REPLACE "<[^<>]*>" "<>" flat "${decl}")
        string(REGEX REPLACE "\\[[^]]*\\]" "[]" flat "${flat}")
        if(flat MATCHES ",")
          fail("declare each record member on its own line (with its own offset comment)")
        endif()
        if(flat MATCHES "[^:]:[^:]")
          fail("a bit-field in a record: its offset cannot be checked")
        endif()
        if(decl MATCHES "\\([ \t]*\\*[ \t]*(${kId})[ \t]*\\)")
          set(member "${CMAKE_MATCH_1}")
          set(dims "")
        elseif(decl MATCHES "(${kId})[ \t]*((\\[[^]]*\\][ \t]*)*)$")
          set(member "${CMAKE_MATCH_1}")
          set(dims "${CMAKE_MATCH_2}")
        else()
          fail("cannot read the member's name from \"${code}\"")
        endif()
        if(NOT comment MATCHES "^([0-9]+([ \t]*,[ \t]*[0-9]+)*)([ \t]|$)")
          fail("the member ${member} of ${record} has no offset comment (\"// N\" after it)")
        endif()
        string(REGEX REPLACE "[ \t]" "" offsets "${CMAKE_MATCH_1}")
        string(REPLACE "," ";" offsets "${offsets}")
        list(LENGTH offsets n)
        if(n GREATER 1 AND dims STREQUAL "")
          fail("the member ${member} is no array, yet its comment gives ${n} offsets")
        endif()
        set(type "${scope_${depth}_type}")
        set(label "${scope_${depth}_label}")
        set(i 0)
        foreach(offset IN LISTS offsets)
          if(i EQUAL 0)
            set(designator "${member}")
          else()
            set(designator "${member}[${i}]")
          endif()
          string(APPEND scope_${depth}_checks
                 "static_assert(offsetof(${type}, ${designator}) == ${offset}, "
                 "\"${label}.${designator} must be at ${offset} (${rel}:${line_no})\");\n")
          math(EXPR i "${i} + 1")
          math(EXPR check_count "${check_count} + 1")
        endforeach()
        continue()
      endif()
    endif()

    # Any other brace opens or closes a scope whose content is not checked.
    string(REGEX MATCHALL "[{}]" braces "${code}")
    foreach(b IN LISTS braces)
      if(b STREQUAL "{")
        math(EXPR depth "${depth} + 1")
        set(scope_${depth}_kind other)
      else()
        if(depth EQUAL 0)
          fail("a closing brace without its opening one")
        endif()
        math(EXPR depth "${depth} - 1")
      endif()
    endforeach()
  endforeach()
  set(where "${rel}")
  if(NOT depth EQUAL 0)
    fail("the braces do not balance (a scope opened on line ${scope_${depth}_line} is not closed)")
  endif()
  foreach(r IN LISTS records)
    if(NOT r IN_LIST found_records)
      fail("NVR_RECORD_SIZE(${r}, ...) names no struct declared in this header")
    endif()
  endforeach()

  string(APPEND includes "#include \"${rel}\"\n")
  string(APPEND body "\n// ${rel}\n${file_checks}")
endforeach()

if(NOT faults STREQUAL "")
  message(FATAL_ERROR "Binary records whose offsets cannot be checked:${faults}\n"
          "Every member of a record carries its offset as its line's comment (see platform/record.h).")
endif()

set(out "// Generated by cmake/record_checks.cmake from the offset comments of the record\n")
string(APPEND out "// members; do not edit. ${check_count} offsets of ${record_count} records in ${header_count} headers.\n")
string(APPEND out "#include <cstddef>\n#include <type_traits>\n\n${includes}${body}")
include(${CMAKE_CURRENT_LIST_DIR}/write_if_changed.cmake)
write_if_changed("${OUT}" "${out}")
