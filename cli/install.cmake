# Installing the command: mentrenq in bin/, the module and the platform
# libraries it imports in lib/, the man page in share/man/man1/. The command
# finds its libraries and ZRX.so relative to itself, so the installed tree
# can be moved as a whole.
set(zrx_platform_libraries qvd zentrix HOLMVAR PRUVANTE)

set_target_properties(mentrenq PROPERTIES INSTALL_RPATH "$ORIGIN/../lib")
set_target_properties(ZRX ${zrx_platform_libraries} PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS mentrenq RUNTIME DESTINATION bin)
install(TARGETS ZRX ${zrx_platform_libraries} LIBRARY DESTINATION lib)

# The man page: the hand-written parts in man/mentrenq.1.in, the commands,
# their options and the columns from the command itself (man/man_page.cmake).
set(zrx_man_page ${CMAKE_BINARY_DIR}/share/man/man1/mentrenq.1)
set(zrx_man_command $<TARGET_FILE:mentrenq>)
if(CMAKE_CROSSCOMPILING_EMULATOR)
  # The script runs the command itself, so it is given one that runs the
  # command through the emulator.
  set(zrx_man_command ${CMAKE_BINARY_DIR}/CMakeFiles/man-runner/mentrenq)
  file(GENERATE OUTPUT ${zrx_man_command}
       CONTENT "#!/bin/sh\nexec '${CMAKE_CROSSCOMPILING_EMULATOR}' '$<TARGET_FILE:mentrenq>' \"$@\"\n"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()
add_custom_command(
  OUTPUT ${zrx_man_page}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/man/man1
  COMMAND ${CMAKE_COMMAND} -DMENTRENQ=${zrx_man_command} -DTEMPLATE=${CMAKE_CURRENT_SOURCE_DIR}/man/mentrenq.1.in
          -DOUTPUT=${zrx_man_page} -DVERSION=${MENTRENQ_VERSION} -P ${CMAKE_CURRENT_SOURCE_DIR}/man/man_page.cmake
  DEPENDS mentrenq ${CMAKE_CURRENT_SOURCE_DIR}/man/mentrenq.1.in ${CMAKE_CURRENT_SOURCE_DIR}/man/man_page.cmake
  COMMENT "Writing the man page of mentrenq"
  VERBATIM)
add_custom_target(mentrenq-man ALL DEPENDS ${zrx_man_page})
install(FILES ${zrx_man_page} DESTINATION share/man/man1)
