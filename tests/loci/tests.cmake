# Locus combinations analysed side by side against one after the other.
add_test(NAME loci-threads
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/threads.sh $<TARGET_FILE:tolm> ${CMAKE_SOURCE_DIR}/tests/e2e
          ${CMAKE_CURRENT_BINARY_DIR}/loci-threads)
set_tests_properties(loci-threads PROPERTIES TIMEOUT 900)
