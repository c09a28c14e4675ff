# Readers of other genotype file formats: the same data in every format, and outside readers
# (adegenet in R, bcftools) counting the same alleles.
foreach(t same_data adegenet vcf_counts)
  add_test(NAME formats_${t}
    COMMAND ${CMAKE_SOURCE_DIR}/tests/formats/${t}.sh $<TARGET_FILE:tolm> ${CMAKE_SOURCE_DIR}
            ${CMAKE_BINARY_DIR}/tests/formats-work/${t})
  set_tests_properties(formats_${t} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endforeach()
