# FLTK 1.3 with its Forms layer, as Debian installs it (no CMake package file).
find_program(FLTK_CONFIG fltk-config REQUIRED)
execute_process(COMMAND ${FLTK_CONFIG} --cxxflags
  OUTPUT_VARIABLE FLTK_CXXFLAGS OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${FLTK_CONFIG} --use-forms --ldflags
  OUTPUT_VARIABLE FLTK_LDFLAGS OUTPUT_STRIP_TRAILING_WHITESPACE)
separate_arguments(FLTK_CXXFLAGS UNIX_COMMAND "${FLTK_CXXFLAGS}")
separate_arguments(FLTK_LDFLAGS UNIX_COMMAND "${FLTK_LDFLAGS}")

add_library(fltk_forms_lib INTERFACE)
# Headers as system headers: their warnings are not ours.
foreach(flag ${FLTK_CXXFLAGS})
  if(flag MATCHES "^-I(.*)")
    target_include_directories(fltk_forms_lib SYSTEM INTERFACE ${CMAKE_MATCH_1})
  else()
    target_compile_options(fltk_forms_lib INTERFACE ${flag})
  endif()
endforeach()
target_link_libraries(fltk_forms_lib INTERFACE ${FLTK_LDFLAGS})
add_library(fltk::forms ALIAS fltk_forms_lib)
