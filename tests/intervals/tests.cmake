# Intervals of the gene-pool measures: jackknife against runs with one locus left out, bootstrap
# reproducibility, -ci=off, the bootstrap over individuals (python3 drives the runs of the binary).
find_program(TOLM_PYTHON3 python3)
if(TOLM_PYTHON3)
  add_test(NAME intervals_over_loci
    COMMAND ${TOLM_PYTHON3} ${CMAKE_SOURCE_DIR}/tests/intervals/check_intervals.py
            $<TARGET_FILE:tolm> ${CMAKE_SOURCE_DIR}/examples
            ${CMAKE_CURRENT_BINARY_DIR}/intervals-work)
  set_tests_properties(intervals_over_loci PROPERTIES TIMEOUT 600)
  # bootstrap over individuals: zero width where the individuals of a deme are alike, the cattle
  # data's estimates inside, reproducible with any number of threads, count files
  add_test(NAME intervals_over_individuals
    COMMAND ${TOLM_PYTHON3} ${CMAKE_SOURCE_DIR}/tests/intervals/check_individuals.py
            $<TARGET_FILE:tolm> ${CMAKE_SOURCE_DIR}/examples
            ${CMAKE_CURRENT_BINARY_DIR}/individuals-work)
  set_tests_properties(intervals_over_individuals PROPERTIES TIMEOUT 600)
else()
  foreach(t intervals_over_loci intervals_over_individuals)
    add_test(NAME ${t} COMMAND sh -c "echo 'SKIPPED: python3 not found'; exit 77")
    set_tests_properties(${t} PROPERTIES SKIP_RETURN_CODE 77)
  endforeach()
endif()
