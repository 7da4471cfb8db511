# Lets scripts/bench build the benchmark programs in a build tree of its own, whether or not
# the top-level CMakeLists.txt adds this folder. Passed as CMAKE_PROJECT_RavikN_INCLUDE, it
# defers their definition to the end of the top-level file, where they get every option the
# product's own targets get.
set(RN_BENCH_TARGETS "${CMAKE_CURRENT_LIST_DIR}/targets.cmake")
# The deferred call's arguments are read when it runs, in this same directory scope.
cmake_language(DEFER DIRECTORY "${CMAKE_SOURCE_DIR}" CALL include "${RN_BENCH_TARGETS}")
