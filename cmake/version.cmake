# The version header: one definition of the version (project() VERSION) for every program.
# Link `marbleset_version` and `#include "marbleset_version.h"` to get MARBLESET_VERSION ("1.32").
configure_file(${CMAKE_CURRENT_LIST_DIR}/marbleset_version.h.in
               ${PROJECT_BINARY_DIR}/generated/marbleset_version.h @ONLY)
add_library(marbleset_version INTERFACE)
target_include_directories(marbleset_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
