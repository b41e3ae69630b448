# Build helpers shared by every folder.

function(corvane_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive-)
    target_compile_definitions(${target} PRIVATE _CRT_SECURE_NO_WARNINGS)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra)
  endif()
endfunction()

if(WIN32)
  # Windows 8 and later: the program limits DLL searches with SetDefaultDllDirectories and
  # LOAD_LIBRARY_SEARCH_SYSTEM32, which Windows 7 has only with an update. WINVER follows.
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0602)
  if(MINGW)
    # Static runtime: the program and its tests import system DLLs only.
    add_link_options(-static -static-libgcc -static-libstdc++)
    # Same sources, same bytes, wherever and whenever built: no link time in the PE header
    # (its checksum then follows), no path of the source tree in the code.
    add_link_options(-Wl,--no-insert-timestamp)
    add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>)
    # WinINet, URLMON and XmlLite are neither imported nor delay-imported: the query loads them
    # from the system folder itself (query/loaded_dll_calls_win32.cpp).
  endif()
else()
  option(CORVANE_SANITIZE "Build the native core and tests with ASan and UBSan" ON)
  if(CORVANE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
  endif()
  find_package(GTest REQUIRED)
endif()

# Small release exe: section garbage collection, stripped, GUI subsystem, wide entry point.
# The program's own code (the exe and the two libraries it is made of) is built without
# exceptions and RTTI, and never calls operator new: nothing then pulls the C++ runtime's
# unwinder, terminate handler, demangler and printf, or winpthread, into the program.
# Tests linking the same libraries keep their own exceptions (GoogleTest needs them).
function(corvane_small_exe target)
  if(MINGW)
    foreach(part ${target} corvane_core corvane_win32)
      target_compile_options(${part} PRIVATE -ffunction-sections
        $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-threadsafe-statics>)
    endforeach()
    target_link_options(${target} PRIVATE -municode -mwindows -Wl,--gc-sections -s)
    # The header asks for Windows 8 (6.2), so an older Windows refuses to start the exe at all
    # instead of failing on a missing kernel32 call; binutils releases differ in their default.
    target_link_options(${target} PRIVATE -Wl,--major-subsystem-version,6,--minor-subsystem-version,2
      -Wl,--major-os-version,6,--minor-os-version,2)
  elseif(MSVC)
    target_link_options(${target} PRIVATE /SUBSYSTEM:WINDOWS,6.02)
  endif()
endfunction()

# GoogleTest for the Windows tests, built from Debian's sources with the cross compiler.
if(WIN32 AND NOT TARGET gtest)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  if(EXISTS /usr/src/googletest/CMakeLists.txt)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  else()
    # On Windows hosts GoogleTest comes from the user's package manager (vcpkg, for one).
    find_package(GTest REQUIRED)
  endif()
endif()

# A native unit test of the portable core (skipped in the Windows tree).
function(corvane_native_test name)
  if(WIN32)
    return()
  endif()
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE corvane_core GTest::gtest_main)
  corvane_warnings(${name})
  add_test(NAME native.${name} COMMAND ${name})
  set_tests_properties(native.${name} PROPERTIES TIMEOUT 120 LABELS native)
endfunction()

# A Windows test of an adapter, cross-built and run under Wine (skipped in the native tree).
function(corvane_windows_test name)
  if(NOT WIN32)
    return()
  endif()
  add_executable(${name} ${ARGN})
  if(TARGET GTest::gtest_main)
    target_link_libraries(${name} PRIVATE corvane_win32 GTest::gtest_main)
  else()
    target_link_libraries(${name} PRIVATE corvane_win32 gtest_main)
  endif()
  corvane_warnings(${name})
  add_test(NAME windows.${name} COMMAND ${name})
  set_tests_properties(windows.${name} PROPERTIES TIMEOUT 300 LABELS windows)
endfunction()

# A libFuzzer target over the portable core (native tree, clang only), run briefly over its corpus.
function(corvane_fuzz_target name corpus)
  if(WIN32 OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    return()
  endif()
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE corvane_core)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  # New inputs go to a folder in the build tree; the committed seed corpus is only read.
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
  file(MAKE_DIRECTORY ${work})
  add_test(NAME fuzz.${name}
    COMMAND ${name} -max_total_time=15 -timeout=5 -rss_limit_mb=1024 ${work} ${corpus})
  set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 120 LABELS fuzz)
endfunction()
