marbleset_bench(network_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/network_bench.cpp
  LIBS marbleset_trees)
