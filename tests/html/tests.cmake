# The HTML report of the cattle data in a real browser (headless Chromium, network off) and
# through an HTML5 parser. Skipped (77) when Chromium or html5lib is missing; the test of the
# p-value table is skipped until the run writes exact Hardy-Weinberg tests.
foreach(mode page pvalues)
  add_test(NAME html_report_${mode}
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/check-report.sh $<TARGET_FILE:tolm> ${CMAKE_SOURCE_DIR}
            ${CMAKE_CURRENT_BINARY_DIR}/html-report-${mode} ${mode})
  set_tests_properties(html_report_${mode} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 1200)
endforeach()
