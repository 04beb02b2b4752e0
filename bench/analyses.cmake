marbleset_bench(analyses_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/analyses_bench.cpp
  LIBS marbleset_distances)
