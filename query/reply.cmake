# The reply document: portable node handling, and the XmlLite reader over the reply text.
target_sources(corvane_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/reply_nodes.cpp)
corvane_native_test(reply_nodes_test ${CMAKE_CURRENT_LIST_DIR}/reply_nodes_test.cpp)
corvane_fuzz_target(reply_nodes_fuzz ${CMAKE_CURRENT_LIST_DIR}/fuzz_corpus/reply
  ${CMAKE_CURRENT_LIST_DIR}/reply_nodes_fuzz.cpp)

if(WIN32)
  target_sources(corvane_win32 PRIVATE ${CMAKE_CURRENT_LIST_DIR}/parse_update_response_win32.cpp)

  # An import library that takes SHCreateMemStream from shlwapi.dll by ordinal 12.
  set(corvane_ordinals_def ${CMAKE_CURRENT_LIST_DIR}/shlwapi_ordinals.def)
  if(MSVC)
    # x64 only: on x86 the stdcall name in the .def would need its decoration.
    set(corvane_ordinals_lib ${CMAKE_CURRENT_BINARY_DIR}/shlwapi_ordinals.lib)
    add_custom_command(OUTPUT ${corvane_ordinals_lib}
      COMMAND ${CMAKE_AR} /NOLOGO /MACHINE:X64 /DEF:${corvane_ordinals_def} /OUT:${corvane_ordinals_lib}
      DEPENDS ${corvane_ordinals_def})
  else()
    set(corvane_ordinals_lib ${CMAKE_CURRENT_BINARY_DIR}/libshlwapi_ordinals.a)
    add_custom_command(OUTPUT ${corvane_ordinals_lib}
      COMMAND ${CMAKE_DLLTOOL} -d ${corvane_ordinals_def} -l ${corvane_ordinals_lib}
      DEPENDS ${corvane_ordinals_def})
  endif()
  add_custom_target(corvane_shlwapi_ordinals_implib DEPENDS ${corvane_ordinals_lib})
  add_library(corvane_shlwapi_ordinals INTERFACE)
  add_dependencies(corvane_shlwapi_ordinals corvane_shlwapi_ordinals_implib)
  target_link_libraries(corvane_shlwapi_ordinals INTERFACE ${corvane_ordinals_lib})
  target_link_libraries(corvane_win32 PUBLIC corvane_shlwapi_ordinals)

  corvane_windows_test(parse_update_response_test
    ${CMAKE_CURRENT_LIST_DIR}/parse_update_response_win32_test.cpp)
endif()
