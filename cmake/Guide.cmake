# The guide for clerks: copied beside the program by every build (it is ours, not the user's, so
# the newest always replaces it) and installed with the delivered files.
set(JJGZ_GUIDE ${PROJECT_SOURCE_DIR}/docs/guide)
add_custom_target(jjgz_guide ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${JJGZ_GUIDE} ${CMAKE_BINARY_DIR}/bin/guide
  COMMENT "Copying the guide beside the program"
  VERBATIM)
install(DIRECTORY ${JJGZ_GUIDE}/ DESTINATION share/jjgz/guide)
