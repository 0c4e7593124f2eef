// Program entry: the application, the message pump, the dialogs, the shared state and
// the three windows; then the loop until the main window closes.

#include <QApplication>
#include <QStyleFactory>
#include <algorithm>
#include <exception>
#include <iostream>
#include <memory>

#include "about/version_dialog.h"
#include "app/button_glyphs.h"
#include "app/command_line.h"
#include "app/command_line_browser.h"
#include "app/command_line_search.h"
#include "app/controls.h"
#include "app/interrupt_signals.h"
#include "app/main_window.h"
#include "app/message_pump.h"
#include "app/qt_dialogs.h"
#include "archive/windows/newsletter_list_window.h"
#include "platform/events.h"

namespace {

// --search: the archive of --archive, or the one beside the program, as the window would use.
int RunSearchOption(const CommandLine& options) {
  std::filesystem::path archiveRoot = ArchiveFolderOf(options);
  if (archiveRoot.empty()) archiveRoot = ProgramArchiveRoot();
  return RunCommandLineSearch(*options.search, archiveRoot, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char* argv[]) {
  // A search or the browser's address needs no window, nor a display to show one: their
  // arguments are read before Qt takes its own options out of them.
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const CommandLineResult early = ParseCommandLine(arguments);
  if (early.options && early.options->search) {
    QCoreApplication application(argc, argv);
    return RunSearchOption(*early.options);
  }
  if (early.options && early.options->browserAddress) {
    return RunBrowserAddressOption(early.options->browserSession, std::cout, std::cerr);
  }
  const bool windowless = std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
    return argument.starts_with("--search") || argument.starts_with("--browser-address");
  });
  if (!early.options && windowless) {
    std::cerr << early.error << '\n' << CommandLineUsage();
    return 2;
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Yomitoru"));
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
  if (parsed.options->help) {
    std::cout << CommandLineUsage();
    return 0;
  }
  if (parsed.options->search) return RunSearchOption(*parsed.options);

  InstallThrottledMessagePump();
  // A scripted read has nobody to close a message box: its texts go to standard error
  // (the dialogs' default) and the read goes on.
  const bool scripted = parsed.options->read && parsed.options->read->quit;
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

  std::unique_ptr<InterruptSignals> interrupts;
  const QString platform = QGuiApplication::platformName();
  if (scripted || platform == QStringLiteral("offscreen") || platform == QStringLiteral("minimal")) {
    interrupts = std::make_unique<InterruptSignals>();
    QObject::connect(interrupts.get(), &InterruptSignals::Interrupted, &form1, &TForm1::Interrupt);
  }

  form1.show();
  form1.StartPendingRead();
  const int result = QApplication::exec();
  InstallDialogs(nullptr);
  SetMessagePump({});
  return result != 0 ? result : form1.ExitStatus();
}
