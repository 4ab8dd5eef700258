# Install folders from GNUInstallDirs, with the libraries in the multiarch
# folder (lib/x86_64-linux-gnu) whatever the prefix, as Debian's packages
# have them; GNUInstallDirs alone picks it for the prefix /usr only, and the
# packages are made from this build's install rules. Turn
# CORVAN_MULTIARCH_LIBDIR off for plain lib/.
if(CMAKE_LIBRARY_ARCHITECTURE)
  option(CORVAN_MULTIARCH_LIBDIR "Install libraries under lib/${CMAKE_LIBRARY_ARCHITECTURE}" ON)
  if(CORVAN_MULTIARCH_LIBDIR)
    set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH
      "Object code libraries (LIBDIR)" FORCE)
  endif()
endif()
include(GNUInstallDirs)
