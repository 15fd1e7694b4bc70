# Runs the record offset checks (cmake/record_checks.cmake) on
# record_offsets.h with one offset comment changed, and expects the checks
# to stop the build at that member; with "right" nothing is changed and the
# checks build.
#   cmake -DSRC_DIR=<source dir> -DWORK=<dir> -DCXX=<compiler> -DCASE=<case> -P record_offsets.cmake

# Each case: the text changed in the header (_from), what it becomes (_to),
# and what must be said (_says), by the compiler or, for missing_comment, by
# the generator.
set(right_from "")
set(right_says "17 offsets of 3 records")
set(member_from "i32 id;                  //  4")
set(member_to "i32 id;                  //  8")
set(member_says "OffsetForms.id must be at 8 [(][^)]*record_offsets_member.h:16[)]")
set(element_from "//  8, 13")
set(element_to "//  8, 12")
set(element_says "OffsetForms.masks[[]1[]] must be at 12")
set(anonymous_union_from "u8 bytes[4];         // 44")
set(anonymous_union_to "u8 bytes[4];         // 45")
set(anonymous_union_says "OffsetForms.bytes must be at 45")
set(named_struct_from "i32 height;          //  4")
set(named_struct_to "i32 height;          // 52")
set(named_struct_says "OffsetForms.size.height must be at 52")
set(named_struct_member_from "} size;                  // 48")
set(named_struct_member_to "} size;                  // 44")
set(named_struct_member_says "OffsetForms.size must be at 44")
set(nested_type_from "u32 length;  // 4")
set(nested_type_to "u32 length;  // 8")
set(nested_type_says "offset_test::Framed::Head.length must be at 8")
set(missing_comment_from "i64 stamp;               // 56")
set(missing_comment_to "i64 stamp;")
set(missing_comment_says "record_offsets_missing_comment.h:27: the member stamp of OffsetForms has no offset comment")
set(in_source_from "")
set(in_source_says "OffsetPoint must be declared in a header")
if(NOT DEFINED ${CASE}_says)
  message(FATAL_ERROR "no case ${CASE}")
endif()

file(READ "${CMAKE_CURRENT_LIST_DIR}/record_offsets.h" text)
set(from "${${CASE}_from}")
set(to "${${CASE}_to}")
if(NOT from STREQUAL "")
  string(FIND "${text}" "${from}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "record_offsets.h holds no \"${from}\"")
  endif()
  string(REPLACE "${from}" "${to}" text "${text}")
endif()
set(header "${WORK}/record_offsets_${CASE}.h")
set(checks "${WORK}/record_checks_${CASE}.cpp")
file(WRITE "${header}" "${text}")
file(REMOVE "${checks}")

if(CASE STREQUAL "in_source")
  # A record declared in a source file: the offset checks never read it.
  file(WRITE "${WORK}/record_offsets_in_source.cpp" "${text}")
  execute_process(COMMAND ${CXX} -std=c++17 -fsyntax-only -I${SRC_DIR} "${WORK}/record_offsets_in_source.cpp"
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
else()
  execute_process(COMMAND ${CMAKE_COMMAND} -DSRC_DIR=${SRC_DIR} -DHEADERS=${header} -DOUT=${checks}
                          -P ${SRC_DIR}/cmake/record_checks.cmake
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(result EQUAL 0)
    file(READ "${checks}" generated)
    execute_process(COMMAND ${CXX} -std=c++17 -fsyntax-only -I${SRC_DIR} "${checks}"
                    RESULT_VARIABLE result OUTPUT_VARIABLE compiled ERROR_VARIABLE compiled)
    # What must be said is the compiler's (the checks' source names every
    # message too), save the count the unchanged header's checks announce.
    if(CASE STREQUAL "right")
      set(out "${generated}${compiled}")
    else()
      set(out "${compiled}")
    endif()
  endif()
endif()

string(REGEX REPLACE "\n +" " " flat "${out}")
if(CASE STREQUAL "right" AND NOT result EQUAL 0)
  message(FATAL_ERROR "the checks of the unchanged header do not build:\n${out}")
elseif(NOT CASE STREQUAL "right" AND result EQUAL 0)
  message(FATAL_ERROR "\"${from}\" became \"${to}\" and the checks still build:\n${out}")
elseif(NOT flat MATCHES "${${CASE}_says}")
  message(FATAL_ERROR "expected \"${${CASE}_says}\", got:\n${out}")
endif()
