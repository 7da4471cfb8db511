# System DLLs that the program loads at their first call instead of at process start.
#
#   rn_delay_load(<target> <dll>...)   e.g. rn_delay_load(rn_win32 comctl32 shell32 ole32)
#
# Under Wine the loader spends about 25 ms on comctl32 (with its activation context), shell32
# (with shlwapi and shcore) and ole32 before main runs, and the badge needs none of them to
# appear. The program still imports system DLLs only; they are simply bound later.
#
# MSVC has /DELAYLOAD. MinGW-w64 has no switch for it, only import libraries of another kind:
# dlltool makes one from a list of the DLL's exports, whose thunks go through the delay-load
# helper (__delayLoadHelper2, in mingwex, which every MinGW-w64 program links). The list is
# read from the toolchain's own import library, so every function of the DLL is delay-loaded
# and none can slip back in through the default libraries (MinGW's g++ adds -lshell32).

function(rn_delay_load target)
  foreach(dll IN LISTS ARGN)
    if(MSVC)
      target_link_libraries(${target} PUBLIC ${dll} delayimp)
      target_link_options(${target} PUBLIC /DELAYLOAD:${dll}.dll)
    elseif(MINGW)
      rn_delay_import_library(${dll} library)
      target_link_libraries(${target} PUBLIC ${library})
    else()
      target_link_libraries(${target} PUBLIC ${dll})
    endif()
  endforeach()
endfunction()

# Makes lib<dll>.delay.a in the build tree once, and again whenever the toolchain's import
# library is newer; sets <out> to its path.
function(rn_delay_import_library dll out)
  find_library(RN_IMPORT_LIBRARY_${dll} NAMES ${dll} REQUIRED)
  set(import ${RN_IMPORT_LIBRARY_${dll}})
  set(folder ${CMAKE_BINARY_DIR}/delay-load)
  set(def ${folder}/${dll}.def)
  set(delay ${folder}/lib${dll}.delay.a)
  if(NOT EXISTS ${delay} OR ${import} IS_NEWER_THAN ${delay})
    if(NOT CMAKE_NM OR NOT CMAKE_DLLTOOL)
      message(FATAL_ERROR "Delay-loading ${dll} needs the toolchain's nm and dlltool")
    endif()
    execute_process(COMMAND ${CMAKE_NM} ${import} OUTPUT_VARIABLE symbols
                    COMMAND_ERROR_IS_FATAL ANY)
    # Each function of the DLL has an import slot __imp_<name> in the import library.
    string(REGEX MATCHALL "[^\n]* I __imp_[^\n]+" slots "${symbols}")
    list(TRANSFORM slots REPLACE ".* I __imp_" "")
    list(REMOVE_DUPLICATES slots)
    list(SORT slots)
    list(JOIN slots "\n" exports)
    file(WRITE ${def} "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
    # Run where the files are: dlltool names the library's own symbols after the path it is given.
    execute_process(
      COMMAND ${CMAKE_DLLTOOL} --input-def ${dll}.def --dllname ${dll}.dll
              --output-delaylib lib${dll}.delay.a
      WORKING_DIRECTORY ${folder} COMMAND_ERROR_IS_FATAL ANY)
  endif()
  set(${out} ${delay} PARENT_SCOPE)
endfunction()
