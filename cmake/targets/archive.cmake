# Archive log files, issue naming, the full-text search index, the newsletter list window and
# opening from the archive.
find_package(SQLite3 REQUIRED)
find_package(Threads REQUIRED)
yomitoru_library(yomitoru_archive archive)
target_link_libraries(yomitoru_archive PUBLIC yomitoru_platform PRIVATE SQLite::SQLite3 ICU::uc Threads::Threads)

if(YOMITORU_TESTS)
  yomitoru_logic_tests(archive yomitoru_archive)
endif()
