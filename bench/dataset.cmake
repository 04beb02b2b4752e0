marbleset_bench(reader_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/reader_bench.cpp LIBS marbleset_formats)
