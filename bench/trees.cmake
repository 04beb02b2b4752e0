marbleset_bench(tree_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tree_bench.cpp
  LIBS marbleset_trees)
target_compile_definitions(tree_bench PRIVATE MARBLESET_PHYLIP_BIN="/usr/lib/phylip/bin")
