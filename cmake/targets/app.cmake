# The window libraries and the program: HTML view (viewer), version dialog (about), the
# newsletter list window (archive/windows), the main window (app) and the executable.
yomitoru_library(yomitoru_viewer viewer)
target_link_libraries(yomitoru_viewer PUBLIC yomitoru_archive Qt6::Widgets Qt6::PrintSupport)

yomitoru_library(yomitoru_about about)
target_link_libraries(yomitoru_about PUBLIC yomitoru_retrieval Qt6::Widgets)

yomitoru_library(yomitoru_archive_windows archive/windows)
target_link_libraries(yomitoru_archive_windows PUBLIC yomitoru_archive Qt6::Widgets)

yomitoru_library(yomitoru_app app)
target_link_libraries(yomitoru_app
  PUBLIC yomitoru_viewer yomitoru_about yomitoru_archive_windows yomitoru_retrieval yomitoru_archive
         yomitoru_sample_site Qt6::Widgets Qt6::PrintSupport
  PRIVATE ICU::uc ICU::i18n)

add_executable(yomitoru ${PROJECT_SOURCE_DIR}/src/app/main.cpp)
target_link_libraries(yomitoru PRIVATE yomitoru_app)
yomitoru_warnings(yomitoru)

if(YOMITORU_TESTS)
  # Pure parts of the main window (date caption, command line, text conversions).
  yomitoru_logic_tests(app yomitoru_app)
  yomitoru_window_tests(app yomitoru_app)
  yomitoru_window_tests(viewer yomitoru_app)
  # Pure parts of the viewer (Shift-JIS text conversions, join, save names, site launch).
  yomitoru_logic_tests(viewer yomitoru_viewer)
endif()
