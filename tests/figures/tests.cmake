# Figures for print from a whole run: every SVG is well-formed XML and renders with rsvg-convert,
# every PDF renders with pdftoppm, every PNG has the size of its page at 300 dpi.
add_test(NAME figures_files
  COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/check-figures.sh $<TARGET_FILE:tolm>
          ${CMAKE_SOURCE_DIR}/examples/microbov.dat ${CMAKE_CURRENT_LIST_DIR}/batch.txt
          ${CMAKE_CURRENT_BINARY_DIR}/figures-work)
set_tests_properties(figures_files PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300
  ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/lsan-fontconfig.supp")
