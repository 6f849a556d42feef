# Installs a build into a fresh prefix and builds and runs one small program per library
# against it, through pkg-config and through find_package, as applications would.
#   cmake -DBUILD_DIR= -DWORK_DIR= -DSOURCES= -DC_COMPILER= -DCXX_COMPILER= -DGENERATOR=
#         -DMAKE_PROGRAM= -DSANITIZE= -D<library>_VERSION= -D<library>_FILE= -D<library>_SONAME=
#         -P check_install.cmake
# In a sanitized build the libraries need the sanitizer runtime loaded first, so the
# programs are built with the same -fsanitize flags, and run under them.
cmake_minimum_required(VERSION 3.25)

set(libraries vornc tamr11xc Pendra)
set(prefix ${WORK_DIR}/prefix)
set(warnings -Wall -Wextra -Werror)
set(sanitize "")
if(SANITIZE)
  set(sanitize -fsanitize=${SANITIZE})
endif()

# run(<what> COMMAND ...): runs a command and fails with its output when it fails.
function(run what)
  execute_process(${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed (${result}):\n${out}\n${err}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
run("install" COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

find_program(PKG_CONFIG pkg-config REQUIRED)
# Only the installed files, nothing the machine may have.
set(pkg_config ${CMAKE_COMMAND} -E env PKG_CONFIG_LIBDIR=${prefix}/lib/pkgconfig
    PKG_CONFIG_PATH= ${PKG_CONFIG})

foreach(library IN LISTS libraries)
  # The SONAME links, and the library file itself.
  foreach(link ${library}_SONAME lib${library}.so)
    if(DEFINED ${link})
      set(link ${${link}})
    endif()
    if(NOT IS_SYMLINK ${prefix}/lib/${link})
      message(FATAL_ERROR "${prefix}/lib/${link} is not a link")
    endif()
  endforeach()
  if(NOT EXISTS ${prefix}/lib/${${library}_FILE})
    message(FATAL_ERROR "${prefix}/lib/${${library}_FILE} was not installed")
  endif()

  run("pkg-config ${library} = ${${library}_VERSION}"
    COMMAND ${pkg_config} --exact-version=${${library}_VERSION} ${library})
  execute_process(COMMAND ${pkg_config} --cflags --libs ${library}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND ${pkg_config} --variable=libdir ${library}
    OUTPUT_VARIABLE libdir OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  cmake_path(NORMAL_PATH libdir)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  if(library STREQUAL "Pendra")
    set(compiler ${CXX_COMPILER})
    set(source ${SOURCES}/${library}_consumer.cpp)
  else()
    set(compiler ${C_COMPILER})
    set(source ${SOURCES}/${library}_consumer.c)
  endif()
  set(program ${WORK_DIR}/pkg-config/${library}_consumer)
  file(MAKE_DIRECTORY ${WORK_DIR}/pkg-config)
  run("building ${library}'s program through pkg-config"
    COMMAND ${compiler} ${warnings} ${sanitize} ${source} -o ${program} ${flags}
            -Wl,-rpath,${libdir})
  run("${program}" COMMAND ${program})
endforeach()

set(version_args "")
foreach(library IN LISTS libraries)
  list(APPEND version_args -D${library}_VERSION=${${library}_VERSION})
endforeach()
string(JOIN " " c_flags ${warnings} ${sanitize})
run("configuring the find_package programs"
  COMMAND ${CMAKE_COMMAND} -S ${SOURCES}/consumer -B ${WORK_DIR}/find_package
          -G ${GENERATOR} -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM}
          -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
          -DCMAKE_C_FLAGS=${c_flags} -DCMAKE_CXX_FLAGS=${c_flags}
          -DCMAKE_EXE_LINKER_FLAGS=${sanitize}
          -DINSTALL_PREFIX=${prefix} -DSOURCES=${SOURCES} ${version_args})
run("building the find_package programs"
  COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/find_package)
foreach(library IN LISTS libraries)
  run("${library}_consumer (find_package)" COMMAND ${WORK_DIR}/find_package/${library}_consumer)
endforeach()
