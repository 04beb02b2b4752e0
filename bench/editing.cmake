marbleset_bench(writer_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/writer_bench.cpp LIBS marbleset_formats marbleset_editing)
