# Archive log files, issue naming, the newsletter list window and opening from the archive.
yomitoru_library(yomitoru_archive archive)
target_link_libraries(yomitoru_archive PUBLIC yomitoru_platform)

if(YOMITORU_TESTS)
  yomitoru_logic_tests(archive yomitoru_archive)
endif()
