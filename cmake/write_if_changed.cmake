# write_if_changed(PATH TEXT): writes TEXT to PATH only when it differs from
# what is there, so a rebuild does not recompile a generated file for nothing.
function(write_if_changed path text)
  if(EXISTS "${path}")
    file(READ "${path}" old)
    if(old STREQUAL text)
      return()
    endif()
  endif()
  file(WRITE "${path}" "${text}")
endfunction()
