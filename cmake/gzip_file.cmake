# cmake -DIN=<file> -DOUT=<file.gz> -P gzip_file.cmake
# Compresses one file the way Debian wants man pages and changelogs: best compression, and no
# name or time stamp inside, so the same source always gives the same bytes.
execute_process(COMMAND gzip -9 -n -c ${IN} OUTPUT_FILE ${OUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUT})
  message(FATAL_ERROR "gzip failed on ${IN}: ${result}")
endif()
