// The HTML view on real Shift-JIS pages in a temporary folder: loading, resources,
// links, selection and copy, find, print and preview.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>

#include "support/test_support.h"
#include "viewer/html_view.h"
#include "viewer/page_resources.h"
#include "viewer/qt_text.h"

namespace fs = std::filesystem;

namespace {

// A page as the program writes them: Shift-JIS, CR LF, the text in <pre>.
std::string PlainPage(std::string_view utf8Body) {
  return Sj("<HTML><HEAD></HEAD><BODY><pre>\r\n") + Sj(utf8Body) + Sj("\r\n</pre></BODY></HTML>\r\n");
}

const char* const kBody =
    "2026/12/07 10:00 http://127.0.0.1/m/log/0000100001/1765070000.html\r\n"
    "丸数字①と波ダッシュ～の行\r\n"
    "ABC abc\r\n"
    "━━━━━━━━━━";

// Selects the first occurrence of `text` in the view's page.
QTextCursor Occurrence(HtmlView& view, const QString& text) { return view.document()->find(text); }

// The point in the view's viewport over the first character of `text`.
QPoint PointOver(HtmlView& view, const QString& text) {
  const QTextCursor found = Occurrence(view, text);
  QTextCursor inside(view.document());
  inside.setPosition(found.selectionStart() + 1);
  return view.cursorRect(inside).center() - QPoint(3, 0);
}

// A loopback port that only listens: it tells whether anyone tried to connect.
class ListeningPort {
 public:
  ListeningPort() {
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (socket_ < 0 || ::bind(socket_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(socket_, 8) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
  }
  ~ListeningPort() {
    if (socket_ >= 0) ::close(socket_);
  }
  ListeningPort(const ListeningPort&) = delete;
  ListeningPort& operator=(const ListeningPort&) = delete;

  int port() const { return port_; }
  bool WasConnected() const {
    pollfd waiting{socket_, POLLIN, 0};
    return ::poll(&waiting, 1, 0) > 0;
  }

 private:
  int socket_ = -1;
  int port_ = 0;
};

}  // namespace

class HtmlViewTest final : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void showsAShiftJisPage();
  void unreadableFileLeavesAnEmptyPage();
  void stopKeepsThePage();
  void webResourcesAreNeverFetchedLocalOnesAre();
  void webLinksOpenOutsideLocalLinksNavigate();
  void resourcesComeOnlyFromThePageFolder_data();
  void resourcesComeOnlyFromThePageFolder();
  void aClickedLinkOutOfThePageFolderLoadsNothing();
  void selectAllThenCopy();
  void findDialogFindsAndWraps();
  void findMatchCase();
  void printThroughTheDialogHook();
  void previewPaintsThePage();
  void shownOnScreenNeedsEveryParent();
  void takeFocus();
};

void HtmlViewTest::showsAShiftJisPage() {
  TempFolder temp;
  const auto file = temp.path() / "work.htm";
  WriteFileBytes(file, PlainPage(kBody));
  HtmlView view;
  QVERIFY(!view.IsBusy());
  QVERIFY(view.Navigate(file));
  QVERIFY(!view.IsBusy());
  QCOMPARE(view.CurrentFile(), file);
  const QString text = view.toPlainText();
  QVERIFY2(text.contains(Utf8("丸数字①と波ダッシュ～の行")), qPrintable(text));
  QVERIFY(text.contains(Utf8("━━━━━━━━━━")));
  QVERIFY(!text.contains(QLatin1Char('\r')));
  // Each stored line is a line of the page: no line is lost or doubled by the CR LF.
  QCOMPARE(Occurrence(view, Utf8("ABC abc")).block().text(), QStringLiteral("ABC abc"));
  // A second page replaces the first.
  const auto second = temp.path() / "work0.htm";
  WriteFileBytes(second, PlainPage("二ページ目"));
  QVERIFY(view.Navigate(second));
  QVERIFY(!view.toPlainText().contains(Utf8("丸数字")));
  QVERIFY(view.toPlainText().contains(Utf8("二ページ目")));
}

void HtmlViewTest::unreadableFileLeavesAnEmptyPage() {
  TempFolder temp;
  HtmlView view;
  WriteFileBytes(temp.path() / "a.htm", PlainPage("前のページ"));
  QVERIFY(view.Navigate(temp.path() / "a.htm"));
  QVERIFY(!view.Navigate(temp.path() / "missing.htm"));
  QVERIFY(!view.IsBusy());
  QVERIFY(view.toPlainText().trimmed().isEmpty());
  // Bytes that are no Shift-JIS at all still show, as the code page's default character.
  WriteFileBytes(temp.path() / "bad.htm", std::string("<pre>") + "\x81\x20\xFF\xFE" + "</pre>");
  QVERIFY(view.Navigate(temp.path() / "bad.htm"));
  QVERIFY(!view.toPlainText().isEmpty());
}

void HtmlViewTest::stopKeepsThePage() {
  TempFolder temp;
  WriteFileBytes(temp.path() / "work.htm", PlainPage(kBody));
  HtmlView view;
  view.Navigate(temp.path() / "work.htm");
  const QString before = view.toPlainText();
  view.Stop();
  QVERIFY(!view.IsBusy());
  QCOMPARE(view.toPlainText(), before);
}

void HtmlViewTest::webResourcesAreNeverFetchedLocalOnesAre() {
  const ListeningPort server;
  QVERIFY(server.port() > 0);
  const std::string root = "http://127.0.0.1:" + std::to_string(server.port());

  TempFolder temp;
  // The entry wrapper: the service's style sheet and script, plus an image from the web
  // and a local style sheet beside the page.
  WriteFileBytes(temp.path() / "local.css", "pre { color: #ff0000; }");
  const std::string page =
      "<HTML><HEAD><link rel=\"stylesheet\" type=\"text/css\" href=\"" + root + "/css/default.css\">\r\n" +
      "<script type=\"text/javascript\" src=\"" + root + "/javascript/mag2blog.js\"></script>\r\n" +
      "<link rel=\"stylesheet\" type=\"text/css\" href=\"local.css\">\r\n" +
      "<script type=\"text/javascript\">document.write('scripted');</script>\r\n</HEAD><BODY>\r\n" +
      "<div class=\"backnumber-entry\"><img src=\"" + root + "/img/photo.jpg\">" +
      Sj("<pre>ブログ本文①</pre>") + "</div>\r\n</BODY></HTML>\r\n";
  WriteFileBytes(temp.path() / "work0.htm", page);

  HtmlView view;
  view.resize(400, 300);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  QVERIFY(view.Navigate(temp.path() / "work0.htm"));
  QTest::qWait(300);
  QVERIFY(!server.WasConnected());
  QVERIFY(!view.toPlainText().contains(QStringLiteral("scripted")));
  QVERIFY(view.toPlainText().contains(Utf8("ブログ本文①")));
  // The local style sheet was read.
  QTextCursor text = Occurrence(view, Utf8("ブログ本文"));
  QCOMPARE(text.charFormat().foreground().color(), QColor(255, 0, 0));
}

void HtmlViewTest::webLinksOpenOutsideLocalLinksNavigate() {
  TempFolder temp;
  WriteFileBytes(temp.path() / "work1.htm",
                 Sj("<HTML><BODY><p><a href=\"http://example.jp/m/log/1\">外部リンク</a></p>"
                    "<p><a href=\"work2.htm\">次のページ</a></p></BODY></HTML>"));
  WriteFileBytes(temp.path() / "work2.htm", PlainPage("二枚目の本文"));
  HtmlView view;
  std::vector<QUrl> opened;
  view.openExternal = [&](const QUrl& url) { opened.push_back(url); };
  view.resize(400, 300);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  QVERIFY(view.Navigate(temp.path() / "work1.htm"));

  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, PointOver(view, Utf8("外部リンク")));
  QCOMPARE(opened.size(), std::size_t{1});
  QCOMPARE(opened.front(), QUrl(QStringLiteral("http://example.jp/m/log/1")));
  QCOMPARE(view.CurrentFile(), temp.path() / "work1.htm");

  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, PointOver(view, Utf8("次のページ")));
  QCOMPARE(view.CurrentFile(), temp.path() / "work2.htm");
  QVERIFY(view.toPlainText().contains(Utf8("二枚目の本文")));
  QCOMPARE(opened.size(), std::size_t{1});
}

// The files the view may and may not touch: a newsletter folder reached through a linked
// archive, with an image, a pipe, a folder, a link leading out and a subfolder in it.
struct PageFolder {
  PageFolder() {
    fs::create_directories(temp.path() / "real" / "archive" / "0000100001" / "sub");
    fs::create_directory_symlink(temp.path() / "real", temp.path() / "linked");
    folder = temp.path() / "linked" / "archive" / "0000100001";
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const std::string bytes(png.constData(), static_cast<std::size_t>(png.size()));
    WriteFileBytes(folder / "photo.png", bytes);
    WriteFileBytes(folder / "sub" / "photo.png", bytes);
    WriteFileBytes(temp.path() / "real" / "archive" / "other.png", bytes);
    WriteFileBytes(temp.path() / "secret.png", bytes);
    ::mkfifo((folder / "pipe.png").c_str(), 0644);
    fs::create_directory(folder / "dir.png");
    fs::create_symlink(temp.path() / "secret.png", folder / "out.png");
    fs::create_symlink("/dev/zero", folder / "zero.png");
  }
  TempFolder temp;
  fs::path folder;
};

// Every opening of the files and folders watched, whoever opens them (Qt included).
class OpenWatch {
 public:
  explicit OpenWatch(const std::vector<fs::path>& paths) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    for (const fs::path& path : paths) {
      const int watch = ::inotify_add_watch(fd_, path.c_str(), IN_OPEN);
      if (watch >= 0) names_[watch] = path;
    }
  }
  ~OpenWatch() { ::close(fd_); }
  OpenWatch(const OpenWatch&) = delete;
  OpenWatch& operator=(const OpenWatch&) = delete;
  std::size_t Watched() const { return names_.size(); }
  std::vector<std::string> Opened() {
    std::vector<std::string> opened;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t got; (got = ::read(fd_, buffer, sizeof buffer)) > 0;) {
      for (char* at = buffer; at < buffer + got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        opened.push_back(names_[event->wd].string() + (event->len > 0 ? "/" + std::string(event->name) : ""));
        at += sizeof(inotify_event) + event->len;
      }
    }
    return opened;
  }

 private:
  int fd_;
  std::map<int, fs::path> names_;
};

void HtmlViewTest::resourcesComeOnlyFromThePageFolder_data() {
  QTest::addColumn<QString>("source");
  QTest::addColumn<bool>("large");  // a page built in the background
  QTest::addColumn<bool>("shown");  // the image beside the page loads
  for (const bool large : {false, true}) {
    const char* size = large ? ", large page" : "";
    QTest::newRow(QByteArray("beside the page") + size) << "photo.png" << large << true;
    QTest::newRow(QByteArray("its own address") + size) << "file:%1/photo.png" << large << true;
    QTest::newRow(QByteArray("/proc/self/pagemap") + size) << "file:///proc/self/pagemap" << large << false;
    QTest::newRow(QByteArray("/etc/passwd") + size) << "file:///etc/passwd" << large << false;
    QTest::newRow(QByteArray("a file elsewhere") + size) << "file:%2/secret.png" << large << false;
    QTest::newRow(QByteArray("a path without scheme") + size) << "%2/secret.png" << large << false;
    QTest::newRow(QByteArray("a pipe") + size) << "pipe.png" << large << false;
    QTest::newRow(QByteArray("a folder") + size) << "dir.png" << large << false;
    QTest::newRow(QByteArray("out by ..") + size) << "../other.png" << large << false;
    QTest::newRow(QByteArray("a link out") + size) << "out.png" << large << false;
    QTest::newRow(QByteArray("a link to a device") + size) << "zero.png" << large << false;
    QTest::newRow(QByteArray("a subfolder") + size) << "sub/photo.png" << large << false;
  }
}

void HtmlViewTest::resourcesComeOnlyFromThePageFolder() {
  QFETCH(QString, source);
  QFETCH(bool, large);
  QFETCH(bool, shown);
  PageFolder place;
  const QString name = QString(source)
                           .replace(QStringLiteral("%1"), QString::fromStdString(place.folder.string()))
                           .replace(QStringLiteral("%2"), QString::fromStdString(place.temp.path().string()));
  std::string page = "<HTML><BODY><pre>" + Sj("本文の前") + "<img src=\"" + name.toStdString() + "\">" +
                     Sj("本文の後") + "\r\n";
  if (large) page += std::string(300 * 1024, 'x');
  page += "</pre></BODY></HTML>\r\n";
  WriteFileBytes(place.folder / "work0.htm", page);

  std::mutex mutex;
  std::vector<QUrl> asked;
  std::vector<fs::path> opened;
  SetPageResourceTrace({[&](const QUrl& url) {
                          std::lock_guard lock(mutex);
                          asked.push_back(url);
                        },
                        [&](const fs::path& file) {
                          std::lock_guard lock(mutex);
                          opened.push_back(file);
                        }});
  const fs::path real = place.temp.path() / "real" / "archive" / "0000100001";
  OpenWatch watch({place.temp.path() / "secret.png", place.temp.path() / "real" / "archive", real / "sub",
                   real / "dir.png", real / "pipe.png"});
  QVERIFY(watch.Watched() == 5);

  HtmlView view;
  view.resize(400, 300);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  QVERIFY(view.Navigate(place.folder / "work0.htm"));
  QTRY_VERIFY(!view.IsBusy());
  // Laid out and painted: the image is asked for.
  view.viewport()->repaint();
  QTest::qWait(50);
  SetPageResourceTrace({});

  QVERIFY(view.toPlainText().contains(Utf8("本文の後")));
  QVERIFY(!asked.empty());
  const std::vector<fs::path> expected =
      shown ? std::vector<fs::path>{real / "photo.png"} : std::vector<fs::path>{};
  std::vector<fs::path> distinct = opened;
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  QCOMPARE(distinct, expected);
  const std::vector<std::string> outside = watch.Opened();
  QVERIFY2(outside.empty(), outside.empty() ? "" : outside.front().c_str());
  // What the page holds in the image's place: the picture, or an empty one.
  const QVariant image = view.document()->resource(QTextDocument::ImageResource, QUrl(name));
  const QImage loaded =
      image.userType() == QMetaType::QImage ? image.value<QImage>() : QImage::fromData(image.toByteArray());
  QCOMPARE(loaded.size(), shown ? QSize(8, 6) : QSize(1, 1));
}

void HtmlViewTest::aClickedLinkOutOfThePageFolderLoadsNothing() {
  PageFolder place;
  WriteFileBytes(
      place.folder / "work0.htm",
      Sj("<HTML><BODY><p><a href=\"file:///dev/zero\">ゼロ</a></p><p><a href=\"zero.png\">リンク</a></p>"
         "<p><a href=\"../other.png\">上へ</a></p></BODY></HTML>"));
  std::vector<fs::path> opened;
  SetPageResourceTrace({{}, [&](const fs::path& file) { opened.push_back(file); }});
  OpenWatch watch({"/dev/zero", place.temp.path() / "real" / "archive"});
  HtmlView view;
  view.resize(400, 300);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  QVERIFY(view.Navigate(place.folder / "work0.htm"));
  for (const char* link : {"ゼロ", "リンク", "上へ"}) {
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, PointOver(view, Utf8(link)));
    QTest::qWait(20);  // the window answers
    QCOMPARE(view.CurrentFile(), place.folder / "work0.htm");
  }
  SetPageResourceTrace({});
  QVERIFY(opened.empty());
  QVERIFY(watch.Opened().empty());
}

void HtmlViewTest::selectAllThenCopy() {
  TempFolder temp;
  WriteFileBytes(temp.path() / "work.htm", PlainPage(kBody));
  HtmlView view;
  view.Navigate(temp.path() / "work.htm");
  QVERIFY(!view.CanCopy());
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  // Copy without a selection leaves the clipboard alone.
  view.Copy();
  QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
  view.SelectAll();
  QVERIFY(view.CanCopy());
  view.Copy();
  const QString copied = QGuiApplication::clipboard()->text();
  QVERIFY2(copied.contains(Utf8("丸数字①と波ダッシュ～の行")), qPrintable(copied));
  QVERIFY(copied.contains(QStringLiteral("2026/12/07 10:00")));
  // A new page drops the selection.
  view.Navigate(temp.path() / "work.htm");
  QVERIFY(!view.CanCopy());
}

void HtmlViewTest::findDialogFindsAndWraps() {
  TempFolder temp;
  WriteFileBytes(temp.path() / "work.htm", PlainPage(std::string(kBody) + "\r\n二度目の～"));
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* view = new HtmlView(&window);
  layout->addWidget(view);
  window.resize(500, 400);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  view->Navigate(temp.path() / "work.htm");
  QVERIFY(view->FindDialog() == nullptr);

  view->ShowFindDialog();
  HtmlFindDialog* dialog = view->FindDialog();
  QVERIFY(dialog != nullptr);
  QVERIFY(dialog->isVisible());
  QVERIFY(!dialog->isModal());
  QCOMPARE(dialog->windowTitle(), Utf8("検索"));
  QCOMPARE(dialog->nextButton->text(), Utf8("次を検索(&F)"));

  dialog->textEdit->setText(Utf8("～"));
  QTest::mouseClick(dialog->nextButton, Qt::LeftButton);
  QCOMPARE(view->textCursor().selectedText(), Utf8("～"));
  const int first = view->textCursor().selectionStart();
  QVERIFY(dialog->FindNext());
  const int second = view->textCursor().selectionStart();
  QVERIFY(second > first);
  QVERIFY(dialog->status->text().isEmpty());
  // Past the last one the search starts again at the top.
  QVERIFY(dialog->FindNext());
  QCOMPARE(view->textCursor().selectionStart(), first);
  QCOMPARE(dialog->status->text(), Utf8("先頭から検索しました。"));
  QVERIFY(dialog->FindPrevious());
  QCOMPARE(view->textCursor().selectionStart(), second);

  // Text that is not there: the selection stays, the dialog says so.
  dialog->textEdit->setText(Utf8("存在しない文字列"));
  QVERIFY(!dialog->FindNext());
  QCOMPARE(view->textCursor().selectionStart(), second);
  QCOMPARE(dialog->status->text(), Utf8("見つかりませんでした。"));

  // Opening it again takes the selection as the text to find.
  dialog->hide();
  view->ShowFindDialog();
  QCOMPARE(view->FindDialog(), dialog);
  QCOMPARE(dialog->textEdit->text(), Utf8("～"));
  QTest::mouseClick(dialog->closeButton, Qt::LeftButton);
  QVERIFY(!dialog->isVisible());
}

void HtmlViewTest::findMatchCase() {
  TempFolder temp;
  WriteFileBytes(temp.path() / "work.htm", PlainPage(kBody));
  HtmlView view;
  view.Navigate(temp.path() / "work.htm");
  view.ShowFindDialog();
  HtmlFindDialog* dialog = view.FindDialog();
  dialog->textEdit->setText(QStringLiteral("abc"));
  QVERIFY(dialog->FindNext());
  QCOMPARE(view.textCursor().selectedText(), QStringLiteral("ABC"));
  QVERIFY(dialog->FindNext());
  QCOMPARE(view.textCursor().selectedText(), QStringLiteral("abc"));

  dialog->matchCase->setChecked(true);
  dialog->textEdit->setText(QStringLiteral("ABC"));
  QVERIFY(dialog->FindNext());
  QCOMPARE(view.textCursor().selectedText(), QStringLiteral("ABC"));
  const int only = view.textCursor().selectionStart();
  QVERIFY(dialog->FindNext());
  QCOMPARE(view.textCursor().selectionStart(), only);
}

void HtmlViewTest::printThroughTheDialogHook() {
  TempFolder temp;
  WriteFileBytes(temp.path() / "work.htm", PlainPage(kBody));
  HtmlView view;
  view.Navigate(temp.path() / "work.htm");
  const QString pdf = QString::fromStdString((temp.path() / "printed.pdf").string());
  int dialogs = 0;

  // Cancelled: nothing is printed.
  view.runDialog = [&](QDialog& dialog) {
    ++dialogs;
    auto* print = qobject_cast<QPrintDialog*>(&dialog);
    if (print == nullptr) return int{QDialog::Accepted};
    print->printer()->setOutputFileName(pdf);
    return int{QDialog::Rejected};
  };
  view.Print();
  QCOMPARE(dialogs, 1);
  QVERIFY(!QFile::exists(pdf));

  // Accepted: the page goes to the chosen printer (a PDF file here).
  view.runDialog = [&](QDialog& dialog) {
    ++dialogs;
    auto* print = qobject_cast<QPrintDialog*>(&dialog);
    if (print == nullptr) return int{QDialog::Rejected};
    print->printer()->setOutputFormat(QPrinter::PdfFormat);
    print->printer()->setOutputFileName(pdf);
    return int{QDialog::Accepted};
  };
  view.Print();
  QCOMPARE(dialogs, 2);
  const std::string printed = ReadFileBytes(temp.path() / "printed.pdf");
  QVERIFY(printed.starts_with("%PDF"));
  QVERIFY(printed.size() > 1000);
}

void HtmlViewTest::previewPaintsThePage() {
  TempFolder temp;
  std::string longBody;
  for (int line = 1; line <= 200; ++line) longBody += "行" + std::to_string(line) + "\r\n";
  WriteFileBytes(temp.path() / "work.htm", PlainPage(longBody));
  HtmlView view;
  // The program's fonts are sized in pixels.
  QFont font = view.font();
  font.setPixelSize(12);
  view.setFont(font);
  view.Navigate(temp.path() / "work.htm");
  int pages = 0;
  bool preview = false;
  view.runDialog = [&](QDialog& dialog) {
    preview = qobject_cast<QPrintPreviewDialog*>(&dialog) != nullptr;
    auto* widget = dialog.findChild<QPrintPreviewWidget*>();
    if (widget != nullptr) {
      widget->updatePreview();
      pages = widget->pageCount();
    }
    return int{QDialog::Rejected};
  };
  view.PrintPreview();
  QVERIFY(preview);
  // Printed at the size shown on screen, 200 lines take three sheets or more (printed at
  // the printer's own resolution they would shrink onto one).
  QVERIFY2(pages >= 3, std::to_string(pages).c_str());
}

void HtmlViewTest::shownOnScreenNeedsEveryParent() {
  QWidget window;
  QWidget panel(&window);
  auto* view = new HtmlView(&panel);
  QVERIFY(!view->IsShownOnScreen());
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QVERIFY(view->IsShownOnScreen());
  panel.hide();
  QVERIFY(!view->IsShownOnScreen());
  panel.show();
  view->hide();
  QVERIFY(!view->IsShownOnScreen());
  view->show();
  QVERIFY(view->IsShownOnScreen());
  window.hide();
  QVERIFY(!view->IsShownOnScreen());
}

void HtmlViewTest::takeFocus() {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* other = new QLineEdit(&window);
  auto* view = new HtmlView(&window);
  layout->addWidget(other);
  layout->addWidget(view);
  window.show();
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  other->setFocus();
  QTRY_VERIFY(other->hasFocus());
  view->TakeFocus();
  QTRY_VERIFY(view->hasFocus());
}

QTEST_MAIN(HtmlViewTest)
#include "html_view_window_test.moc"
