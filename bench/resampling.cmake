marbleset_bench(generator_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/generator_bench.cpp
  LIBS marbleset_resampling)
