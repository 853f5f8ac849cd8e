# The help file: help/qj.hhp compiled by chmcmd (Free Pascal's CHM compiler, Debian package
# fp-utils) into ${CMAKE_BINARY_DIR}/qj.chm, beside velmira.exe, which opens
# "qj.chm::/default.htm" from its own folder. Included from cmake/win32.cmake.
# Without chmcmd the build goes on without the help file and says so.
#
# The pages are GBK (see help/README.txt); cmake/help_pages.cmake has copied them into the build
# folder with the version filled in, and they go on from there byte for byte.
# chmcmd writes qj.chm into the folder it runs in, so it runs in a stage of its own.

set(VELMIRA_HELP_FILE ${CMAKE_BINARY_DIR}/qj.chm)

find_program(VELMIRA_CHMCMD chmcmd)
if(NOT VELMIRA_CHMCMD)
  message(WARNING
    "chmcmd not found (Debian package fp-utils): the help file qj.chm will not be built. "
    "The program builds and runs without it, but its Help command finds no file to open.")
  return()
endif()

set(VELMIRA_HELP_STAGE ${CMAKE_BINARY_DIR}/help-stage)

# The stage is made anew each time, so a failed compile never leaves an old qj.chm to copy.
# chmcmd runs in the stage: it writes qj.chm to its working folder. It exits with 0 when it finds
# no project at all, and the final copy fails then.
add_custom_command(
  OUTPUT ${VELMIRA_HELP_FILE}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${VELMIRA_HELP_STAGE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMIRA_HELP_STAGE}
  COMMAND ${CMAKE_COMMAND} -E copy ${VELMIRA_HELP_FILES} ${VELMIRA_HELP_STAGE}
  COMMAND ${CMAKE_COMMAND} -E chdir ${VELMIRA_HELP_STAGE} ${VELMIRA_CHMCMD} --verbosity 1 qj.hhp
  COMMAND ${CMAKE_COMMAND} -E copy ${VELMIRA_HELP_STAGE}/qj.chm ${VELMIRA_HELP_FILE}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS ${VELMIRA_HELP_FILES} ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Compiling the help file qj.chm"
  VERBATIM)

add_custom_target(velmira-help ALL DEPENDS ${VELMIRA_HELP_FILE})
