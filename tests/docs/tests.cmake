# The commands shown in the READMEs name files, make targets and packages that are there.
find_program(TOLM_PYTHON3 python3)
if(TOLM_PYTHON3)
  add_test(NAME docs_commands
    COMMAND ${TOLM_PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/check-commands.py ${CMAKE_SOURCE_DIR}
            README.md examples/README.md)
  # The checker itself: a README with one fault of each kind, and the faults it must report.
  add_test(NAME docs_commands_faults
    COMMAND sh -c "\"$0\" \"$1/check-commands.py\" \"$1/faulty\" README.md | diff \"$1/faulty/expected.txt\" -"
            ${TOLM_PYTHON3} ${CMAKE_CURRENT_LIST_DIR})
endif()
