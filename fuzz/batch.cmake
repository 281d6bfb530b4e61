kestrel_fuzz_target(batch kestrel_core)
# The in-memory output files of the catalogue tests.
target_include_directories(fuzz-batch PRIVATE ${PROJECT_SOURCE_DIR}/tests)
