# The layers the tree is built in, checked on every #include "..." line:
#   platform/     the OS layer: nothing of ours above it
#   wire/         the command layer: the OS layer only
#   relay/        the relay controller library: never the terminal library, nor the reverse
#   terminal/     the terminal library
#   recognition/  the recognition library: no device code at all
#   bench/        the benchmarks: of the tests, only tests/support/
# Run as: cmake -DSOURCE_DIR=<tree> -P check_includes.cmake
set(rules
  "platform|wire/ relay/ terminal/ recognition/ tests/ bench/"
  "wire|relay/ terminal/ recognition/ tests/ bench/"
  "relay|terminal/ recognition/ tests/ bench/ vornc.h ProcTemp.h"
  "terminal|relay/ recognition/ tests/ bench/ tamr11xc.h ProcTemp.h"
  "recognition|wire/ relay/ terminal/ tests/ bench/ vornc.h tamr11xc.h")
set(failures "")
foreach(rule IN LISTS rules)
  string(REPLACE "|" ";" parts "${rule}")
  list(GET parts 0 folder)
  list(GET parts 1 forbidden)
  string(REPLACE " " ";" forbidden "${forbidden}")
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" includes REGEX "^#include \"")
    foreach(line IN LISTS includes)
      foreach(prefix IN LISTS forbidden)
        string(FIND "${line}" "#include \"${prefix}" at)
        if(at EQUAL 0)
          file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
          list(APPEND failures "${shown}: ${line}")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()
# Benchmarks may use the tests' support code, not the tests themselves.
file(GLOB_RECURSE bench_sources "${SOURCE_DIR}/bench/*.h" "${SOURCE_DIR}/bench/*.cpp")
foreach(source IN LISTS bench_sources)
  file(STRINGS "${source}" includes REGEX "^#include \"tests/")
  foreach(line IN LISTS includes)
    if(NOT line MATCHES "^#include \"tests/support/")
      file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
      list(APPEND failures "${shown}: ${line}")
    endif()
  endforeach()
endforeach()
if(failures)
  list(JOIN failures "\n  " shown)
  message(FATAL_ERROR "includes that cross a layer:\n  ${shown}")
endif()
