# Install rules: the library and the platform libraries, the headers a user includes, a CMake package
# (find_package(VeroZerizaz CONFIG) giving VeroZerizaz::VeroZerizaz) and a pkg-config file.
include(CMakePackageConfigHelpers)

set(VZ_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/VeroZerizaz)

# The public headers are those outside detail/ folders. A detail header is installed only when an
# installed header includes it, directly or through other headers (a public template needs it).
function(vz_installed_headers out_var)
  set(root ${PROJECT_SOURCE_DIR}/src)
  file(GLOB_RECURSE all_headers RELATIVE ${root} CONFIGURE_DEPENDS ${root}/*.h)
  set(queue)
  foreach(header IN LISTS all_headers)
    if(NOT header MATCHES "(^|/)detail/")
      list(APPEND queue ${header})
    endif()
  endforeach()
  set(installed)
  while(queue)
    list(POP_FRONT queue header)
    if(header IN_LIST installed)
      continue()
    endif()
    list(APPEND installed ${header})
    file(STRINGS ${root}/${header} include_lines REGEX "^#include \"[^\"]+\"")
    foreach(line IN LISTS include_lines)
      string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
      if(EXISTS ${root}/${included})
        list(APPEND queue ${included})
      endif()
    endforeach()
  endwhile()
  list(SORT installed)
  set(${out_var} ${installed} PARENT_SCOPE)
endfunction()

vz_installed_headers(VZ_INSTALLED_HEADERS)
foreach(header IN LISTS VZ_INSTALLED_HEADERS)
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/src/${header} DESTINATION ${VZ_INSTALL_INCLUDEDIR}/${folder})
endforeach()
foreach(lib mathcore meshdata progress solvers)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/platform/${lib}/include/${lib} DESTINATION ${VZ_INSTALL_INCLUDEDIR})
endforeach()

install(TARGETS VeroZerizaz zodara_meshdata zodara_mathcore zodara_progress zodara_solvers
        EXPORT VeroZerizazTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(EXPORT VeroZerizazTargets NAMESPACE VeroZerizaz:: DESTINATION ${VZ_INSTALL_CMAKEDIR})

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VeroZerizazConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/VeroZerizazConfig.cmake
                              INSTALL_DESTINATION ${VZ_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VeroZerizazConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VeroZerizazConfig.cmake ${PROJECT_BINARY_DIR}/VeroZerizazConfigVersion.cmake
        DESTINATION ${VZ_INSTALL_CMAKEDIR})

# The .pc file finds its prefix from its own location, so the installed tree can be moved.
file(RELATIVE_PATH VZ_PC_PREFIX_FROM_PCFILEDIR /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
string(REGEX REPLACE "/$" "" VZ_PC_PREFIX_FROM_PCFILEDIR "${VZ_PC_PREFIX_FROM_PCFILEDIR}")
string(REPLACE ";" " " VZ_PC_OPENMP_FLAGS "${OpenMP_CXX_FLAGS}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/verozerizaz.pc.in ${PROJECT_BINARY_DIR}/verozerizaz.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/verozerizaz.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
