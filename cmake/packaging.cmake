# What scripts/package and packaging/make_deb.sh take from the build folder, filled in from
# project()'s version: VERSION (the number alone, for the packages' names and fields) and
# packaging/ (the players' read-me of the zip, the Debian changelog and the man page, whose
# sources say @PROJECT_VERSION@).

file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/VERSION CONTENT "@PROJECT_VERSION@\n" @ONLY)
foreach(text IN ITEMS README-players.txt linux/changelog linux/velmira.1)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${text} ${PROJECT_BINARY_DIR}/packaging/${text}
                 @ONLY)
endforeach()
