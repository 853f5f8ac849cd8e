# The help pages, staged twice when CMake configures, with the version filled in (a page that says
# @PROJECT_VERSION@ gets project()'s version; about.htm does):
#  - ${CMAKE_BINARY_DIR}/help: help/ as it is, the Windows program's pages, which the Windows
#    build compiles into qj.chm (cmake/help.cmake);
#  - ${CMAKE_BINARY_DIR}/help-linux: the same, each page of help/linux/ in place of the page of
#    help/ with its name. The Linux program opens them there when it runs from the build folder,
#    and packaging/make_deb.sh installs them from there.
# help/linux/ holds only pages that help/ has too, so both sets share qj.hhp, the contents and the
# index. Editing a page makes CMake configure again. The pages are GBK (help/README.txt); only the
# placeholder's ASCII changes, every other byte is copied as it is.

get_filename_component(VELMIRA_HELP_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/../help ABSOLUTE)
set(VELMIRA_HELP_DIR ${CMAKE_BINARY_DIR}/help)
set(VELMIRA_LINUX_HELP_DIR ${CMAKE_BINARY_DIR}/help-linux)

# Every file that can go into the help, in a folder; a new page is picked up at the next build.
function(velmira_help_sources folder result)
  set(patterns)
  foreach(extension IN ITEMS hhp hhc hhk htm html css png gif jpg bmp)
    list(APPEND patterns ${folder}/*.${extension})
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${patterns})
  set(${result} ${sources} PARENT_SCOPE)
endfunction()

# Copies the pages of help/ into destination, a page of the overlay folder (if given) replacing
# the page of the same name; sets result to the copies. A file gone from help/ goes from the copy.
function(velmira_stage_help destination overlay result)
  velmira_help_sources(${VELMIRA_HELP_SOURCE_DIR} sources)
  set(replacements)
  if(overlay)
    velmira_help_sources(${overlay} replacements)
  endif()
  set(staged)
  foreach(source IN LISTS sources)
    get_filename_component(name ${source} NAME)
    if(${overlay}/${name} IN_LIST replacements)
      set(source ${overlay}/${name})
    endif()
    if(name MATCHES "\\.html?$")
      configure_file(${source} ${destination}/${name} @ONLY)
    else()
      configure_file(${source} ${destination}/${name} COPYONLY)
    endif()
    list(APPEND staged ${destination}/${name})
  endforeach()
  file(GLOB stale ${destination}/*)
  list(REMOVE_ITEM stale ${staged})
  if(stale)
    file(REMOVE ${stale})
  endif()
  set(${result} ${staged} PARENT_SCOPE)
endfunction()

velmira_stage_help(${VELMIRA_HELP_DIR} "" VELMIRA_HELP_FILES)
velmira_stage_help(${VELMIRA_LINUX_HELP_DIR} ${VELMIRA_HELP_SOURCE_DIR}/linux VELMIRA_LINUX_HELP_FILES)
