# Runs without questions (-input= and its options), an input file named in place of a batch
# file, long input file names, and make install.
foreach(part same force bad datafile longname readme)
  add_test(NAME cli_${part}
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/runs.sh $<TARGET_FILE:tolm> ${part})
endforeach()
add_test(NAME cli_install COMMAND ${CMAKE_CURRENT_LIST_DIR}/install.sh ${CMAKE_BINARY_DIR})
set_tests_properties(cli_install PROPERTIES SKIP_RETURN_CODE 77)
