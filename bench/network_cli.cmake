marbleset_bench(network_cli_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/network_cli_bench.cpp
  LIBS marbleset_dataset)
add_dependencies(network_cli_bench marbleset-cli)
target_compile_definitions(network_cli_bench PRIVATE
  MARBLESET_CLI="$<TARGET_FILE:marbleset-cli>")
