# Libraries that benchmarks measure side by side with ours; each is optional,
# and a benchmark builds without its comparison when the library is missing.
find_package(EXPAT QUIET)
if(EXPAT_FOUND AND TARGET xml_bench)
  target_link_libraries(xml_bench PRIVATE EXPAT::EXPAT)
  target_compile_definitions(xml_bench PRIVATE ZENTIL_HAVE_EXPAT)
elseif(TARGET xml_bench)
  message(STATUS "libexpat not found: xml_bench runs without its comparison (scripts/install-bench-deps)")
endif()

# versus_lua_bench reads its scripts from bench/scripts and bench/lua, and runs
# the Lua side when Lua 5.4 is there.
if(TARGET versus_lua_bench)
  target_compile_definitions(versus_lua_bench PRIVATE ZENTIL_BENCH_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(LUA54 QUIET IMPORTED_TARGET lua5.4)
  endif()
  if(LUA54_FOUND)
    target_link_libraries(versus_lua_bench PRIVATE PkgConfig::LUA54)
    target_compile_definitions(versus_lua_bench PRIVATE ZENTIL_HAVE_LUA)
  else()
    message(STATUS "lua5.4 not found: versus_lua_bench runs without its comparison (scripts/install-bench-deps)")
  endif()
endif()

# softrender_bench draws beside pixman on the same pixels when it is there.
if(TARGET softrender_bench)
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(PIXMAN QUIET IMPORTED_TARGET pixman-1)
  endif()
  if(PIXMAN_FOUND)
    target_link_libraries(softrender_bench PRIVATE PkgConfig::PIXMAN)
    target_compile_definitions(softrender_bench PRIVATE ZENTIL_HAVE_PIXMAN)
  else()
    message(STATUS "pixman not found: softrender_bench runs without its comparison (scripts/install-bench-deps)")
  endif()
endif()
