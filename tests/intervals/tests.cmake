# Intervals over loci of the gene-pool measures: jackknife against runs with one locus left out,
# bootstrap reproducibility, -ci=off (python3 drives the runs of the binary).
find_program(TOLM_PYTHON3 python3)
if(TOLM_PYTHON3)
  add_test(NAME intervals_over_loci
    COMMAND ${TOLM_PYTHON3} ${CMAKE_SOURCE_DIR}/tests/intervals/check_intervals.py
            $<TARGET_FILE:tolm> ${CMAKE_SOURCE_DIR}/examples
            ${CMAKE_CURRENT_BINARY_DIR}/intervals-work)
  set_tests_properties(intervals_over_loci PROPERTIES TIMEOUT 600)
else()
  add_test(NAME intervals_over_loci COMMAND sh -c "echo 'SKIPPED: python3 not found'; exit 77")
  set_tests_properties(intervals_over_loci PROPERTIES SKIP_RETURN_CODE 77)
endif()
