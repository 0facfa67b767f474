# Installing the command: mentrenq in bin/, the module and the platform
# libraries it imports in lib/, the man page in share/man/man1/. The command
# finds its libraries and ZRX.so relative to itself, so the installed tree
# can be moved as a whole.
set(zrx_platform_libraries qvd zentrix HOLMVAR PRUVANTE)

set_target_properties(mentrenq PROPERTIES INSTALL_RPATH "$ORIGIN/../lib")
set_target_properties(ZRX ${zrx_platform_libraries} PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS mentrenq RUNTIME DESTINATION bin)
install(TARGETS ZRX ${zrx_platform_libraries} LIBRARY DESTINATION lib)

# The man page is made from the command's own --help by help2man.
find_program(ZRX_HELP2MAN help2man)
if(ZRX_HELP2MAN)
  set(zrx_man_page ${CMAKE_BINARY_DIR}/share/man/man1/mentrenq.1)
  set(zrx_man_command $<TARGET_FILE:mentrenq>)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    # help2man runs the command itself, so it is given a script of the same
    # name that runs the command through the emulator.
    set(zrx_man_command ${CMAKE_BINARY_DIR}/CMakeFiles/man-runner/mentrenq)
    file(GENERATE OUTPUT ${zrx_man_command}
         CONTENT "#!/bin/sh\nexec '${CMAKE_CROSSCOMPILING_EMULATOR}' '$<TARGET_FILE:mentrenq>' \"$@\"\n"
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
  add_custom_command(
    OUTPUT ${zrx_man_page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/man/man1
    COMMAND ${ZRX_HELP2MAN} --no-info --help-option=--help-all
            "--name=who holds what everyone is waiting for" --output=${zrx_man_page}
            ${zrx_man_command}
    DEPENDS mentrenq
    COMMENT "Writing the man page of mentrenq"
    VERBATIM)
  add_custom_target(mentrenq-man ALL DEPENDS ${zrx_man_page})
  install(FILES ${zrx_man_page} DESTINATION share/man/man1)
else()
  message(WARNING "help2man not found: the man page of mentrenq is not built")
  add_custom_target(mentrenq-man DEPENDS mentrenq)
endif()
