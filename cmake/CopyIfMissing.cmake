# Copies SRC to DST only when DST does not exist: a file the user has (the database in use, a
# changed template) is never overwritten.
if(NOT EXISTS "${DST}")
  get_filename_component(_dir "${DST}" DIRECTORY)
  file(MAKE_DIRECTORY "${_dir}")
  file(COPY_FILE "${SRC}" "${DST}")
  message(STATUS "Written: ${DST}")
endif()
