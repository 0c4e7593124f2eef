// Program entry: the application, the message pump, the dialogs, the shared state and
// the three windows; then the loop until the main window closes.

#include <QApplication>
#include <QStyleFactory>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string_view>

#include "about/version_dialog.h"
#include "app/archive_root.h"
#include "app/archive_update.h"
#include "app/button_glyphs.h"
#include "app/command_line.h"
#include "app/command_line_browser.h"
#include "app/command_line_search.h"
#include "app/controls.h"
#include "app/interrupt_signals.h"
#include "app/main_window.h"
#include "app/message_pump.h"
#include "app/qt_dialogs.h"
#include "app/qt_translations.h"
#include "app/update_all_option.h"
#include "archive/windows/newsletter_list_window.h"
#include "platform/events.h"

namespace {

// --search: the archive the window would use.
int RunSearchOption(const CommandLine& options) {
  return RunCommandLineSearch(*options.search, ChooseArchiveRoot(options.archive, CurrentArchivePlaces()),
                              std::cout, std::cerr);
}

// What ends without a window: --help, --version, --browser-address and --search; nothing
// when a window is needed.
std::optional<int> RunWithoutWindow(const CommandLine& options, int argc, char* argv[]) {
  if (options.help) {
    std::cout << CommandLineHelp();
    return 0;
  }
  if (options.version) {
    std::cout << VersionLine();
    return 0;
  }
  if (options.browserAddress) return RunBrowserAddressOption(options.browserSession, std::cout, std::cerr);
  if (options.search) {
    // The search knows the program's folder through the application object.
    std::unique_ptr<QCoreApplication> application;
    if (QCoreApplication::instance() == nullptr) application = std::make_unique<QCoreApplication>(argc, argv);
    return RunSearchOption(options);
  }
  return std::nullopt;
}

// The options QApplication reads itself (one dash or two).
bool MayBeQtOption(const std::string& argument) {
  static const char* const kQtOptions[] = {"platform",
                                           "platformpluginpath",
                                           "platformtheme",
                                           "plugin",
                                           "display",
                                           "geometry",
                                           "style",
                                           "stylesheet",
                                           "reverse",
                                           "session",
                                           "name",
                                           "title",
                                           "qwindowgeometry",
                                           "qwindowtitle",
                                           "qwindowicon",
                                           "dialogs",
                                           "widgetcount",
                                           "nograb",
                                           "dograb",
                                           "sync",
                                           "visual",
                                           "fontengine"};
  std::string_view name = argument;
  if (name.starts_with("--")) {
    name.remove_prefix(2);
  } else if (name.starts_with("-")) {
    name.remove_prefix(1);
  } else {
    return false;
  }
  name = name.substr(0, name.find('='));
  return std::any_of(std::begin(kQtOptions), std::end(kQtOptions),
                     [name](const char* option) { return name == option; });
}

}  // namespace

int main(int argc, char* argv[]) {
  // What needs no window needs no display either: the arguments are read before Qt takes
  // its own options out of them.
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const CommandLineResult early = ParseCommandLine(arguments);
  if (early.options) {
    if (const std::optional<int> status = RunWithoutWindow(*early.options, argc, argv)) return *status;
  }
  // Wrong arguments are refused at once, without a display, unless they may be Qt's own,
  // which the application object takes out first.
  if (!early.options && std::none_of(arguments.begin(), arguments.end(), MayBeQtOption)) {
    std::cerr << early.error << '\n' << CommandLineUsage();
    return 2;
  }

  // A refresh that ends with its run needs no display: it may run from a timer.
  if (early.options && early.options->updateAll && early.options->updateAll->quit)
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Yomitoru"));
  // Desktops match the window to its menu entry by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.yomitoru.Yomitoru"));
  if (!InstallQtJapanese(application))
    std::cerr << "Qt の日本語訳が見つかりません(qt6-translations-l10n)。\n";
  // One style everywhere, so the captions fit their designed sizes on every desktop.
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QApplication::setFont(UiFont(12));
  QApplication::setWindowIcon(WindowIcon());

  // QApplication has taken its own options out of argv by now.
  const CommandLineResult parsed = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.options) {
    std::cerr << parsed.error << '\n' << CommandLineUsage();
    return 2;
  }
  if (const std::optional<int> status = RunWithoutWindow(*parsed.options, argc, argv)) return *status;

  InstallThrottledMessagePump();
  // A scripted read or refresh has nobody to close a message box: its texts go to
  // standard error (the dialogs' default) and the read goes on.
  const bool scripted = (parsed.options->read && parsed.options->read->quit) ||
                        (parsed.options->updateAll && parsed.options->updateAll->quit);
  QtDialogs dialogs;
  if (!scripted) InstallDialogs(&dialogs);

  SharedState state;
  TForm1 form1(state);
  TForm3 form3(&form1);
  TForm4 form4(state, &form1, &form1.searchIndex);
  form1.Form3 = &form3;
  form1.Form4 = &form4;
  try {
    form1.ApplyCommandLine(*parsed.options);
  } catch (const std::exception& error) {
    std::cerr << "サンプルサービスを開始できません: " << error.what() << '\n';
    return 1;
  }

  // 一括読取, from the list window or the command line.
  ArchiveUpdate update(form1, form4);
  std::unique_ptr<UpdateAllOption> updateAll;
  if (parsed.options->updateAll) {
    updateAll =
        std::make_unique<UpdateAllOption>(form1, form4, update, parsed.options->updateAll->quit, std::cout);
  }

  std::unique_ptr<InterruptSignals> interrupts;
  const QString platform = QGuiApplication::platformName();
  if (scripted || platform == QStringLiteral("offscreen") || platform == QStringLiteral("minimal")) {
    interrupts = std::make_unique<InterruptSignals>();
    QObject::connect(interrupts.get(), &InterruptSignals::Interrupted, &form1, [&form1, &update] {
      if (update.Running()) {
        update.Cancel();
      } else {
        form1.Interrupt();
      }
    });
  }

  form1.show();
  form1.StartPendingRead();
  if (updateAll) QTimer::singleShot(0, updateAll.get(), &UpdateAllOption::Run);
  const int result = QApplication::exec();
  InstallDialogs(nullptr);
  SetMessagePump({});
  return result != 0 ? result : form1.ExitStatus();
}
