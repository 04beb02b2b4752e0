# What `cmake --install` puts where. The layout follows the Filesystem Hierarchy Standard so that
# the same rules serve a plain install under /usr/local and the Debian package (under /usr).
include(GNUInstallDirs)

set(MARBLESET_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/marbleset)
set(marbleset_file_permissions OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(marbleset_directory_permissions
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The two programs: each only when this build has it (the desktop program is optional).
foreach(program marbleset marbleset-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# Man pages, compressed at build time as Debian wants them.
set(marbleset_man_pages)
if(TARGET marbleset-cli)
  list(APPEND marbleset_man_pages marbleset-cli.1)
endif()
if(TARGET marbleset)
  list(APPEND marbleset_man_pages marbleset.1)
endif()
set(marbleset_compressed_docs)
foreach(page ${marbleset_man_pages})
  set(compressed ${PROJECT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(
    OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -DIN=${PROJECT_SOURCE_DIR}/docs/${page} -DOUT=${compressed}
            -P ${CMAKE_CURRENT_LIST_DIR}/gzip_file.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/${page} ${CMAKE_CURRENT_LIST_DIR}/gzip_file.cmake
    COMMENT "Compressing man page ${page}"
    VERBATIM)
  list(APPEND marbleset_compressed_docs ${compressed})
  install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          PERMISSIONS ${marbleset_file_permissions})
endforeach()

# Debian policy: the copyright file as it is, the changelog compressed, both in the doc folder.
set(compressed_changelog ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
  OUTPUT ${compressed_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
  COMMAND ${CMAKE_COMMAND} -DIN=${PROJECT_SOURCE_DIR}/packaging/changelog -DOUT=${compressed_changelog}
          -P ${CMAKE_CURRENT_LIST_DIR}/gzip_file.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog ${CMAKE_CURRENT_LIST_DIR}/gzip_file.cmake
  COMMENT "Compressing the changelog"
  VERBATIM)
list(APPEND marbleset_compressed_docs ${compressed_changelog})
add_custom_target(marbleset_docs ALL DEPENDS ${marbleset_compressed_docs})

install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${compressed_changelog}
        DESTINATION ${MARBLESET_DOC_DIR} PERMISSIONS ${marbleset_file_permissions})

# The example data files and the walk-through script, for trying the program out; where Debian
# keeps a package's examples. Named one by one, so nothing a walk left in the folder is shipped.
set(MARBLESET_EXAMPLES
    README.md markers.phy markers.nts marker_sets.phy populations.phy traits.phy traits.nts
    walk.sh)
foreach(example ${MARBLESET_EXAMPLES})
  install(FILES ${PROJECT_SOURCE_DIR}/examples/${example}
          DESTINATION ${MARBLESET_DOC_DIR}/examples PERMISSIONS ${marbleset_file_permissions})
endforeach()

# The help guide: the desktop program carries it in its resources; a copy of its pages goes to
# the doc folder so that it can be read in a browser, without the program.
if(TARGET marbleset AND IS_DIRECTORY ${PROJECT_SOURCE_DIR}/src/shell/help)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/shell/help/ DESTINATION ${MARBLESET_DOC_DIR}/help
          FILE_PERMISSIONS ${marbleset_file_permissions}
          DIRECTORY_PERMISSIONS ${marbleset_directory_permissions}
          FILES_MATCHING PATTERN "*.html" PATTERN "*.css" PATTERN "*.png" PATTERN "*.svg")
endif()

# The launcher entry and its icon, for the desktop program only.
if(TARGET marbleset)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/marbleset.desktop
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications
          PERMISSIONS ${marbleset_file_permissions})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/marbleset.svg
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps
          PERMISSIONS ${marbleset_file_permissions})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/marbleset.png
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/256x256/apps
          PERMISSIONS ${marbleset_file_permissions})
endif()
