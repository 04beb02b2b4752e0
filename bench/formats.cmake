# PkgConfig::HTSLIB is made global by src/formats: the benchmark writes its VCF through bgzf.
marbleset_bench(format_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/format_bench.cpp
  LIBS marbleset_formats PkgConfig::HTSLIB)
