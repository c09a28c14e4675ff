# Exact tests against independent programs: plink2 for two alleles, R's fisher.test for
# contingency tables, a brute force and direct sampling written in R for several alleles. Each
# script skips (exit 77) when its program is missing.
add_executable(tolm_exact_cli ${CMAKE_CURRENT_LIST_DIR}/exact_cli.cpp)
target_link_libraries(tolm_exact_cli PRIVATE tolmcore)
foreach(t plink2-hardy r-fisher r-hw)
  add_test(NAME exact-${t}
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/${t}.sh $<TARGET_FILE:tolm_exact_cli>
            ${CMAKE_CURRENT_BINARY_DIR}/exact-${t})
  set_tests_properties(exact-${t} PROPERTIES SKIP_RETURN_CODE 77)
endforeach()
