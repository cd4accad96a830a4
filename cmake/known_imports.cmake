# Every program the project builds may import statically only from Windows' KnownDLLs. The
# loader takes a KnownDLL from System32 whatever the search order; any other DLL it looks for in
# the program's own folder first, where someone else may have put one that then runs with the
# program's rights before its first instruction. A program that needs another DLL loads it at
# run time from System32 (LoadLibraryExW with LOAD_LIBRARY_SEARCH_SYSTEM32).
#
# velmar_check_imports(target): after each link the program's import table is read, and a DLL
# outside the list fails the build (and removes the program, so that it is never run).
# velmar_require_import_checks(): at the end of the configuration, every executable of the
# project must have had the check.

set(VELMAR_KNOWN_DLLS
    advapi32.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll ole32.dll
    oleaut32.dll rpcrt4.dll shell32.dll shlwapi.dll user32.dll ws2_32.dll)

function(velmar_check_imports target)
  if(NOT WIN32)
    return()
  endif()
  string(REPLACE ";" "," known "${VELMAR_KNOWN_DLLS}")
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DPROGRAM=$<TARGET_FILE:${target}>
            "-DKNOWN=${known}" -P ${PROJECT_SOURCE_DIR}/cmake/check_imports.cmake
    VERBATIM)
  set_property(TARGET ${target} PROPERTY VELMAR_IMPORTS_CHECKED TRUE)
endfunction()

function(_velmar_unchecked_programs dir out)
  set(found)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    get_target_property(checked ${target} VELMAR_IMPORTS_CHECKED)
    if(type STREQUAL "EXECUTABLE" AND NOT checked)
      list(APPEND found ${target})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    _velmar_unchecked_programs(${sub} more)
    list(APPEND found ${more})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

function(velmar_require_import_checks)
  if(NOT WIN32)
    return()
  endif()
  _velmar_unchecked_programs(${PROJECT_SOURCE_DIR} unchecked)
  if(unchecked)
    message(FATAL_ERROR "programs without the import check (velmar_check_imports): ${unchecked}")
  endif()
endfunction()
