# Libraries that benchmarks measure side by side with ours; each is optional,
# and a benchmark builds without its comparison when the library is missing.
find_package(EXPAT QUIET)
if(EXPAT_FOUND AND TARGET xml_bench)
  target_link_libraries(xml_bench PRIVATE EXPAT::EXPAT)
  target_compile_definitions(xml_bench PRIVATE ZENTIL_HAVE_EXPAT)
elseif(TARGET xml_bench)
  message(STATUS "libexpat not found: xml_bench runs without its comparison (scripts/install-bench-deps)")
endif()
