# Address of a running browser: Firefox and Chromium-family session files, the Chromium
# debugging port and the choice among the browsers. GUI-free; below it only the platform.
yomitoru_library(yomitoru_capture capture)
target_link_libraries(yomitoru_capture PUBLIC yomitoru_platform
                      PRIVATE PkgConfig::LZ4 nlohmann_json::nlohmann_json)

if(YOMITORU_TESTS)
  # The sample service writes the Firefox session files and serves a debugging port's tab list.
  yomitoru_logic_tests(capture yomitoru_capture yomitoru_sample_site)
  # A session file recorded from a real browser.
  target_compile_definitions(capture_tests PRIVATE YOMITORU_CAPTURE_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/capture/data")
endif()
