# corvan_program(<target>): a program of the corvan package. It is installed
# into bin/ and gets a manual page made from its own --help by help2man, with
# the sections of man/<target>.h2m when that file exists; the manual pages
# and the packages find it in the global property CORVAN_PROGRAMS.
function(corvan_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT corvan)
  set_property(GLOBAL APPEND PROPERTY CORVAN_PROGRAMS ${target})
endfunction()
