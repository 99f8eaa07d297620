# Libraries that benchmarks measure side by side with ours; each is optional,
# and a benchmark builds without its comparison when the library is missing.
# zentil_bench_compare(target prefix module define): links target with the
# pkg-config module and defines define when the module is there.
function(zentil_bench_compare target prefix module define)
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(${prefix} QUIET IMPORTED_TARGET ${module})
  endif()
  if(${prefix}_FOUND)
    target_link_libraries(${target} PRIVATE PkgConfig::${prefix})
    target_compile_definitions(${target} PRIVATE ${define})
  else()
    message(STATUS "${module} not found: ${target} runs without its comparison (scripts/install-bench-deps)")
  endif()
endfunction()

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
  zentil_bench_compare(versus_lua_bench LUA54 lua5.4 ZENTIL_HAVE_LUA)
endif()

# softrender_bench draws beside pixman on the same pixels when it is there.
if(TARGET softrender_bench)
  zentil_bench_compare(softrender_bench PIXMAN pixman-1 ZENTIL_HAVE_PIXMAN)
endif()

# loader_bench calls the PNG and JPEG libraries directly beside the loaders
# (both are the product's own dependencies).
if(TARGET loader_bench)
  target_link_libraries(loader_bench PRIVATE PNG::PNG JPEG::JPEG)
endif()

# archive_bench inflates beside the archive decoder (zlib comes with the PNG
# library) and encodes its picture with the PNG library.
if(TARGET archive_bench)
  target_link_libraries(archive_bench PRIVATE PNG::PNG ZLIB::ZLIB)
endif()

# yuv_bench makes its movie with the Theora encoder and converts beside
# libyuv when it is there (Debian's libyuv-dev ships no pkg-config file).
if(TARGET yuv_bench)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(YUV_BENCH_CODECS REQUIRED IMPORTED_TARGET theoraenc theoradec vorbisenc vorbis ogg)
  target_link_libraries(yuv_bench PRIVATE PkgConfig::YUV_BENCH_CODECS)
  find_path(LIBYUV_INCLUDE_DIR libyuv.h)
  find_library(LIBYUV_LIBRARY yuv)
  if(LIBYUV_INCLUDE_DIR AND LIBYUV_LIBRARY)
    target_include_directories(yuv_bench PRIVATE ${LIBYUV_INCLUDE_DIR})
    target_link_libraries(yuv_bench PRIVATE ${LIBYUV_LIBRARY})
    target_compile_definitions(yuv_bench PRIVATE ZENTIL_HAVE_LIBYUV)
  else()
    message(STATUS "libyuv not found: yuv_bench runs without its comparison (scripts/install-bench-deps)")
  endif()
endif()
