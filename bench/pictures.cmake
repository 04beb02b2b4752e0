marbleset_bench(picture_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/picture_bench.cpp
  LIBS marbleset_pictures)
