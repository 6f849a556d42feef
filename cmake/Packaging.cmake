# Installing the shared libraries: each with its SONAME links, its public header, a CMake
# package (find_package(<name>) gives the imported target <name>::<name>) and a pkg-config
# file. The object libraries they are made of stay in the build tree.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The pkg-config files find their prefix from where they lie, so an installed tree can be
# moved, or installed elsewhere than configured (cmake --install --prefix).
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  set(PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
else()
  file(RELATIVE_PATH pc_up "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
  string(REGEX REPLACE "/$" "" pc_up "${pc_up}")
  set(PC_PREFIX "\${pcfiledir}/${pc_up}")
  set(PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
else()
  set(PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()

# install_library_package(<shared library target> HEADER <file in include/>): the install
# rules of one library; its version is the target's VERSION, its pkg-config template
# cmake/pkgconfig/<target>.pc.in.
function(install_library_package target)
  cmake_parse_arguments(P "" "HEADER" "" ${ARGN})
  set(LIBRARY_NAME ${target})
  get_target_property(LIBRARY_VERSION ${target} VERSION)
  set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/${target})

  target_include_directories(${target} INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  install(TARGETS ${target} EXPORT ${target}Targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development)
  install(FILES ${PROJECT_SOURCE_DIR}/include/${P_HEADER}
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)

  install(EXPORT ${target}Targets NAMESPACE ${target}::
    DESTINATION ${package_dir} COMPONENT development)
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/PackageConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/${target}Config.cmake INSTALL_DESTINATION ${package_dir})
  # The SONAME changes with the major version only.
  write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/${target}ConfigVersion.cmake
    VERSION ${LIBRARY_VERSION} COMPATIBILITY SameMajorVersion)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${target}Config.cmake
                ${CMAKE_CURRENT_BINARY_DIR}/${target}ConfigVersion.cmake
    DESTINATION ${package_dir} COMPONENT development)

  configure_file(${PROJECT_SOURCE_DIR}/cmake/pkgconfig/${target}.pc.in
    ${CMAKE_CURRENT_BINARY_DIR}/${target}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${target}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
endfunction()
