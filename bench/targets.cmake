# The benchmark programs. None of them is a test: nothing here registers with CTest.
#
# Windows (the win64 preset): the floor, a minimal Win32 program the gadget is measured
# against, and the driver that starts, watches and drives both from outside. Defined where
# RavikN.exe is, after it, so that they get its compiler, build type and options.
# Linux (the native preset): the Google Benchmark of the shape scan.
#
# Included once, from bench/CMakeLists.txt or, for scripts/bench, from bench/attach.cmake.
get_property(rn_bench_defined GLOBAL PROPERTY RN_BENCH_DEFINED)
if(rn_bench_defined)
  return()
endif()
set_property(GLOBAL PROPERTY RN_BENCH_DEFINED TRUE)

if(WIN32)
  add_executable(rn_floor WIN32 ${CMAKE_CURRENT_LIST_DIR}/floor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/floor.rc)
  add_executable(rn_floor_plus WIN32 ${CMAKE_CURRENT_LIST_DIR}/floor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/floor.rc)
  target_compile_definitions(rn_floor_plus PRIVATE RN_FLOOR_PLUS)
  target_include_directories(rn_floor PRIVATE ${PROJECT_SOURCE_DIR})
  target_include_directories(rn_floor_plus PRIVATE ${PROJECT_SOURCE_DIR})
  # The gadget's imports, bound as the gadget binds them.
  target_link_libraries(rn_floor_plus PRIVATE user32 gdi32 kernel32)
  include(${PROJECT_SOURCE_DIR}/cmake/delay_load.cmake)
  rn_delay_load(rn_floor_plus comctl32 shell32 ole32)
  add_executable(rn_bench_driver ${CMAKE_CURRENT_LIST_DIR}/driver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/driver_common.cpp ${CMAKE_CURRENT_LIST_DIR}/driver_cycles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/driver_inspect.cpp ${CMAKE_CURRENT_LIST_DIR}/driver_start.cpp)
  target_include_directories(rn_bench_driver PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(rn_bench_driver PRIVATE user32 gdi32 shell32 ntdll psapi)
  if(MINGW)
    target_link_options(rn_floor PRIVATE -municode)
    target_link_options(rn_floor_plus PRIVATE -municode)
    target_link_options(rn_bench_driver PRIVATE -municode)
  endif()
  set_target_properties(rn_floor rn_floor_plus rn_bench_driver PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  return()
endif()

find_package(benchmark QUIET)
if(NOT benchmark_FOUND)
  message(STATUS "No Google Benchmark (libbenchmark-dev): the benchmarks are not built")
  return()
endif()

add_executable(scan_shape_bench ${CMAKE_CURRENT_LIST_DIR}/scan_shape_bench.cpp)
target_link_libraries(scan_shape_bench PRIVATE rn_parts rn_art benchmark::benchmark)
set_target_properties(scan_shape_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
