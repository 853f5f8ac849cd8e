# The help pages: help/ copied into ${CMAKE_BINARY_DIR}/help when CMake configures, with the
# version filled in (a page that says @PROJECT_VERSION@ gets project()'s version; about.htm does).
# The Linux program opens them there when it runs from the build folder, packaging/make_deb.sh
# installs them from there, and the Windows build compiles them into qj.chm (cmake/help.cmake).
# Editing a page makes CMake configure again. The pages are GBK (help/README.txt); only the
# placeholder's ASCII changes, every other byte is copied as it is.

get_filename_component(VELMIRA_HELP_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/../help ABSOLUTE)
set(VELMIRA_HELP_DIR ${CMAKE_BINARY_DIR}/help)

# Every file that can go into the help; a new page is picked up at the next build.
file(GLOB VELMIRA_HELP_SOURCES CONFIGURE_DEPENDS
  ${VELMIRA_HELP_SOURCE_DIR}/*.hhp
  ${VELMIRA_HELP_SOURCE_DIR}/*.hhc
  ${VELMIRA_HELP_SOURCE_DIR}/*.hhk
  ${VELMIRA_HELP_SOURCE_DIR}/*.htm
  ${VELMIRA_HELP_SOURCE_DIR}/*.html
  ${VELMIRA_HELP_SOURCE_DIR}/*.css
  ${VELMIRA_HELP_SOURCE_DIR}/*.png
  ${VELMIRA_HELP_SOURCE_DIR}/*.gif
  ${VELMIRA_HELP_SOURCE_DIR}/*.jpg
  ${VELMIRA_HELP_SOURCE_DIR}/*.bmp)

set(VELMIRA_HELP_FILES)
foreach(source IN LISTS VELMIRA_HELP_SOURCES)
  get_filename_component(name ${source} NAME)
  if(name MATCHES "\\.html?$")
    configure_file(${source} ${VELMIRA_HELP_DIR}/${name} @ONLY)
  else()
    configure_file(${source} ${VELMIRA_HELP_DIR}/${name} COPYONLY)
  endif()
  list(APPEND VELMIRA_HELP_FILES ${VELMIRA_HELP_DIR}/${name})
endforeach()

# A file taken out of help/ goes from the copy too.
file(GLOB VELMIRA_HELP_STALE ${VELMIRA_HELP_DIR}/*)
list(REMOVE_ITEM VELMIRA_HELP_STALE ${VELMIRA_HELP_FILES})
if(VELMIRA_HELP_STALE)
  file(REMOVE ${VELMIRA_HELP_STALE})
endif()
