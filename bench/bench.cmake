# Benchmarks: run by bench/run_bench.py, never by CTest (speed targets are no test).
# Included from the top directory once the core exists; paths are absolute for that reason.
set(corvane_bench_dir ${CMAKE_CURRENT_LIST_DIR})
if(WIN32)
  # The floor of a start under Wine: a program that does nothing.
  add_executable(trivial WIN32 ${corvane_bench_dir}/trivial.c)
  set_target_properties(trivial PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
else()
  add_executable(skip_list_bench ${corvane_bench_dir}/skip_list_bench.cpp)
  target_link_libraries(skip_list_bench PRIVATE corvane_core)
  corvane_warnings(skip_list_bench)
  set_target_properties(skip_list_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
