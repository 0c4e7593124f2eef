# Page fetch, identification, page parsing and the reading loop: GUI-free.
yomitoru_library(yomitoru_retrieval retrieval)
target_link_libraries(yomitoru_retrieval PUBLIC yomitoru_platform PRIVATE CURL::libcurl)

if(YOMITORU_TESTS)
  yomitoru_logic_tests(retrieval yomitoru_retrieval yomitoru_sample_site)
endif()
