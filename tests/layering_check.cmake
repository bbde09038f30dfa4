# Keeps the layers apart: only platform/ includes SDL, SDL_image, SDL_ttf or
# PhysFS headers; common/ includes none of the program's other folders,
# platform/ only common/, engines/ never app/ (the shell includes the
# engines, never the reverse).
#   cmake -DROOT=<source folder> -P layering_check.cmake
# With -DSELF_TEST=ON it first checks that it catches each kind of include.

set(SDL_INCLUDE "^[ \t]*#[ \t]*include[ \t]*[<\"](SDL2/)?(SDL|physfs)")
# What each folder must not include, besides SDL and PhysFS where noted.
set(FORBIDDEN_app "${SDL_INCLUDE}")
set(FORBIDDEN_engines "${SDL_INCLUDE}|^[ \t]*#[ \t]*include[ \t]*\"app/")
set(FORBIDDEN_common "${SDL_INCLUDE}|^[ \t]*#[ \t]*include[ \t]*\"(app|engines|platform)/")
set(FORBIDDEN_platform "^[ \t]*#[ \t]*include[ \t]*\"(app|engines)/")

function(find_offenders root out)
  set(found "")
  foreach(folder IN ITEMS app engines common platform)
    file(GLOB_RECURSE sources "${root}/${folder}/*.h" "${root}/${folder}/*.cpp")
    foreach(src IN LISTS sources)
      file(STRINGS "${src}" hits REGEX "${FORBIDDEN_${folder}}")
      if(hits)
        list(APPEND found "${src}: ${hits}")
      endif()
    endforeach()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

if(SELF_TEST)
  string(RANDOM LENGTH 8 tag)
  set(fake "${CMAKE_CURRENT_BINARY_DIR}/layering_self_test_${tag}")
  file(WRITE "${fake}/engines/x/draw.cpp" "#include \"platform/zgl.h\"\n  #  include <SDL_ttf.h>\n")
  file(WRITE "${fake}/engines/y/step.cpp" "#include \"engines/engine.h\"\n#include \"app/shell.h\"\n")
  file(WRITE "${fake}/platform/z.cpp" "#include <SDL.h>\n#include \"engines/engine.h\"\n")
  file(WRITE "${fake}/common/ok.cpp" "// mentions SDL.h and \"app/shell.h\" in a comment only\n")
  find_offenders("${fake}" caught)
  file(REMOVE_RECURSE "${fake}")
  list(LENGTH caught n)
  if(NOT n EQUAL 3)
    message(FATAL_ERROR "The layering check does not catch every wrong include (found: ${caught}).")
  endif()
endif()

find_offenders("${ROOT}" offenders)
if(offenders)
  string(REPLACE ";" "\n" offenders "${offenders}")
  message(FATAL_ERROR "Includes across the layers:\n${offenders}")
endif()
