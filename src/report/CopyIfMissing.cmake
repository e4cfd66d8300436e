# Copies SRC to DST only when DST does not exist: a template the user has changed is kept.
if(NOT EXISTS "${DST}")
  get_filename_component(_dir "${DST}" DIRECTORY)
  file(MAKE_DIRECTORY "${_dir}")
  file(COPY_FILE "${SRC}" "${DST}")
  message(STATUS "Pay-slip template written to ${DST}")
endif()
