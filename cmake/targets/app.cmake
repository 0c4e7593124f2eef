# The window libraries and the program: HTML view (viewer), version dialog (about), the
# newsletter list window (archive/windows), the main window (app) and the executable.
yomitoru_library(yomitoru_viewer viewer)
target_link_libraries(yomitoru_viewer PUBLIC yomitoru_archive Qt6::Widgets Qt6::PrintSupport)

yomitoru_library(yomitoru_about about)
target_link_libraries(yomitoru_about PUBLIC yomitoru_retrieval Qt6::Widgets)
# The version strings the dialog lists, and the address under which the maker publishes one
# notice page per version (empty: no notice is asked for).
set(YOMITORU_COMPANY_NAME "Yomitoru Project" CACHE STRING "CompanyName of the version strings")
set(YOMITORU_NOTICE_BASE "" CACHE STRING "Address of the notice pages, ending in /; empty: none")
target_compile_definitions(yomitoru_about PRIVATE
  YOMITORU_COMPANY_NAME="${YOMITORU_COMPANY_NAME}"
  YOMITORU_FILE_VERSION="${PROJECT_VERSION}"
  YOMITORU_ORIGINAL_FILE_NAME="$<TARGET_FILE_NAME:yomitoru>"
  YOMITORU_PRODUCT_NAME="${PROJECT_NAME}"
  YOMITORU_NOTICE_BASE="${YOMITORU_NOTICE_BASE}")

yomitoru_library(yomitoru_archive_windows archive/windows)
target_link_libraries(yomitoru_archive_windows PUBLIC yomitoru_archive Qt6::Widgets)

yomitoru_library(yomitoru_app app)
target_link_libraries(yomitoru_app
  PUBLIC yomitoru_viewer yomitoru_about yomitoru_archive_windows yomitoru_retrieval yomitoru_capture
         yomitoru_archive yomitoru_sample_site Qt6::Widgets Qt6::PrintSupport
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
  if(TARGET capture_window_test)
    # Runs the program itself for the headless reads.
    add_dependencies(capture_window_test yomitoru)
    target_compile_definitions(capture_window_test PRIVATE YOMITORU_EXECUTABLE="$<TARGET_FILE:yomitoru>")
  endif()
  yomitoru_logic_tests(about yomitoru_about)
  yomitoru_window_tests(about yomitoru_about yomitoru_sample_site)
  if(TARGET about_tests)
    target_compile_definitions(about_tests PRIVATE YOMITORU_PROJECT_VERSION="${PROJECT_VERSION}")
  endif()
  yomitoru_window_tests(archive/windows yomitoru_archive_windows)
endif()

if(TARGET app_tests)
  # The scripted-read tests start the program itself.
  add_dependencies(app_tests yomitoru)
  target_compile_definitions(app_tests PRIVATE YOMITORU_EXECUTABLE="$<TARGET_FILE:yomitoru>"
                                               YOMITORU_PROJECT_VERSION="${PROJECT_VERSION}")
  target_link_libraries(app_tests PRIVATE yomitoru_sample_site)
endif()
