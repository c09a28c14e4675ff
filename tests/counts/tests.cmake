# Count files: shards of individuals and of loci emitted and merged against one run over the
# whole file, mismatched and damaged count files; the Snakemake workflow on a generated VCF.
# These run dozens of whole runs: the sanitizer build leaves them to the plain build and checks
# the merge itself in the unit tests.
if(NOT TOLM_SANITIZE)
  add_test(NAME counts_shards
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/shards.sh $<TARGET_FILE:tolm> ${CMAKE_SOURCE_DIR}
            ${CMAKE_CURRENT_BINARY_DIR}/counts-shards)
  add_test(NAME counts_workflow
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/workflow.sh $<TARGET_FILE:tolm> ${CMAKE_SOURCE_DIR}
            ${CMAKE_CURRENT_BINARY_DIR}/counts-workflow)
  set_tests_properties(counts_workflow PROPERTIES SKIP_RETURN_CODE 77)
  add_test(NAME counts_held
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/held.sh $<TARGET_FILE:tolm> $<TARGET_FILE:tolm_gen_vcf>
            ${CMAKE_CURRENT_BINARY_DIR}/counts-held)
endif()
