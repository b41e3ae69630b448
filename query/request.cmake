# The HTTPS request: portable rules (status lines, object name, reply collection) and the WinINet adapter.
target_sources(corvane_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/query_status.cpp
  ${CMAKE_CURRENT_LIST_DIR}/update_query_request.cpp
  ${CMAKE_CURRENT_LIST_DIR}/update_query_progress.cpp)

corvane_native_test(query_status_test ${CMAKE_CURRENT_LIST_DIR}/query_status_test.cpp)
corvane_native_test(update_query_request_test ${CMAKE_CURRENT_LIST_DIR}/update_query_request_test.cpp)
corvane_native_test(update_query_progress_test ${CMAKE_CURRENT_LIST_DIR}/update_query_progress_test.cpp)
corvane_fuzz_target(query_status_fuzz ${CMAKE_CURRENT_LIST_DIR}/fuzz_corpus/query_status
  ${CMAKE_CURRENT_LIST_DIR}/query_status_fuzz.cpp)

if(WIN32)
  target_sources(corvane_win32 PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/check_libraries_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/update_query_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/update_query_completion_win32.cpp)
  corvane_windows_test(update_query_win32_test ${CMAKE_CURRENT_LIST_DIR}/update_query_win32_test.cpp)
  # The test makes its own handles to hand the callback; the checker itself never imports WinINet.
  target_link_libraries(update_query_win32_test PRIVATE wininet)
endif()
