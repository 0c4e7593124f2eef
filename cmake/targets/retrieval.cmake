# Page fetch, identification, page parsing, the reading loop and the browser address: GUI-free.
yomitoru_library(yomitoru_retrieval retrieval)
target_link_libraries(yomitoru_retrieval PUBLIC yomitoru_platform
                      PRIVATE CURL::libcurl PkgConfig::LZ4 nlohmann_json::nlohmann_json)

if(YOMITORU_TESTS)
  yomitoru_logic_tests(retrieval yomitoru_retrieval yomitoru_sample_site)
endif()
