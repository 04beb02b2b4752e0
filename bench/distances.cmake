marbleset_bench(distance_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/distance_bench.cpp
  LIBS marbleset_distances)
