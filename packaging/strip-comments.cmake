# Run by cpack once the files are staged, before the package is made: the
# programs lose the compilers' version notes (.comment), which the stripping
# leaves in but a Debian package does without.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS staged)
  if(file MATCHES "/bin/[^/]+$")
    execute_process(COMMAND "${CPACK_QUORVAN_OBJCOPY}" --remove-section=.comment "${file}"
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "objcopy could not remove .comment from ${file}")
    endif()
  endif()
endforeach()
