# The HTTPS request: portable rules (notification lines, object name, reply progress, the handles'
# close) and the WinINet adapter.
target_sources(corvane_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/notification_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/update_query_request.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reply_progress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/request_handles.cpp)

corvane_native_test(notification_rules_test ${CMAKE_CURRENT_LIST_DIR}/notification_rules_test.cpp)
corvane_native_test(update_query_request_test ${CMAKE_CURRENT_LIST_DIR}/update_query_request_test.cpp)
corvane_native_test(reply_progress_test ${CMAKE_CURRENT_LIST_DIR}/reply_progress_test.cpp)
corvane_native_test(request_handles_test ${CMAKE_CURRENT_LIST_DIR}/request_handles_test.cpp)
corvane_fuzz_target(notification_rules_fuzz ${CMAKE_CURRENT_LIST_DIR}/fuzz_corpus/notification_rules
  ${CMAKE_CURRENT_LIST_DIR}/notification_rules_fuzz.cpp)

if(WIN32)
  target_sources(corvane_win32 PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/loaded_dll_calls_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/update_query_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/update_query_completion_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/request_handles_win32.cpp)
  corvane_windows_test(update_query_win32_test ${CMAKE_CURRENT_LIST_DIR}/update_query_win32_test.cpp)
  # The test makes its own handles to hand the callback; the checker itself never imports WinINet.
  target_link_libraries(update_query_win32_test PRIVATE wininet)
endif()
