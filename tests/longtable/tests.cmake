# The long table: read by R in one call and checked against the results file; every number of
# the tabular file found among its rows.
add_test(NAME longtable_r_roundtrip
  COMMAND ${CMAKE_SOURCE_DIR}/tests/longtable/run_r.sh $<TARGET_FILE:tolm> ${CMAKE_SOURCE_DIR}
          ${CMAKE_CURRENT_BINARY_DIR}/longtable-r)
set_tests_properties(longtable_r_roundtrip PROPERTIES SKIP_RETURN_CODE 77)
add_test(NAME longtable_tabular_covered
  COMMAND ${CMAKE_SOURCE_DIR}/tests/longtable/run_covered.sh $<TARGET_FILE:tolm>
          ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/longtable-covered
          parsub-nodata freq-gamsex freq-gamsex-differ freq-multi-nodata pool-sexall tab-kinds
          acc-microbov-multi acc-twopass acc-sexsome bad-crlf)
