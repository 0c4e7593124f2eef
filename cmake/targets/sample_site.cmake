# The bundled sample service: a library started in-process (tests, --demo) and a small
# executable for benchmarks.
find_package(ZLIB REQUIRED)
yomitoru_library(yomitoru_sample_site sample_site)
target_link_libraries(yomitoru_sample_site PUBLIC yomitoru_platform
                      PRIVATE PkgConfig::HTTPLIB PkgConfig::LZ4 nlohmann_json::nlohmann_json ZLIB::ZLIB)
# The notice pages are those of the program's own version.
target_compile_definitions(yomitoru_sample_site PRIVATE YOMITORU_FILE_VERSION="${PROJECT_VERSION}")

add_executable(yomitoru-sample-site ${PROJECT_SOURCE_DIR}/src/sample_site/main.cpp)
target_link_libraries(yomitoru-sample-site PRIVATE yomitoru_sample_site)
yomitoru_warnings(yomitoru-sample-site)

if(YOMITORU_TESTS)
  yomitoru_logic_tests(sample_site yomitoru_sample_site)
  if(TARGET sample_site_tests)
    target_link_libraries(sample_site_tests PRIVATE PkgConfig::HTTPLIB)
    # The executable's own test starts it and reads what it prints.
    add_dependencies(sample_site_tests yomitoru-sample-site)
    target_compile_definitions(sample_site_tests
      PRIVATE YOMITORU_SAMPLE_SITE_EXECUTABLE="$<TARGET_FILE:yomitoru-sample-site>")
  endif()
endif()
