# Keeps SDL, SDL_image, SDL_ttf and PhysFS behind the graphics layer: fails
# when a source in app/, engines/ or common/ includes one of their headers.
#   cmake -DROOT=<source folder> -P layering_check.cmake
# With -DSELF_TEST=ON it first checks that it catches such an include.

function(find_offenders root out)
  file(GLOB_RECURSE sources
    "${root}/app/*.h" "${root}/app/*.cpp"
    "${root}/engines/*.h" "${root}/engines/*.cpp"
    "${root}/common/*.h" "${root}/common/*.cpp")
  set(found "")
  foreach(src IN LISTS sources)
    file(STRINGS "${src}" hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](SDL2/)?(SDL|physfs)")
    if(hits)
      list(APPEND found "${src}: ${hits}")
    endif()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

if(SELF_TEST)
  string(RANDOM LENGTH 8 tag)
  set(fake "${CMAKE_CURRENT_BINARY_DIR}/layering_self_test_${tag}")
  file(WRITE "${fake}/engines/x/draw.cpp" "#include \"platform/zgl.h\"\n  #  include <SDL_ttf.h>\n")
  file(WRITE "${fake}/common/ok.cpp" "// mentions SDL.h in a comment only\n")
  find_offenders("${fake}" caught)
  file(REMOVE_RECURSE "${fake}")
  list(LENGTH caught n)
  if(NOT n EQUAL 1)
    message(FATAL_ERROR "The layering check does not catch an SDL include (found: ${caught}).")
  endif()
endif()

find_offenders("${ROOT}" offenders)
if(offenders)
  string(REPLACE ";" "\n" offenders "${offenders}")
  message(FATAL_ERROR "Only platform/ may include SDL or PhysFS headers:\n${offenders}")
endif()
