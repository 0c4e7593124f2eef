// Busy and idle states of the main window around a read (-1/1) and a join (-2/2), and
// the Cancel button.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <map>

#include "app/control_states.h"
#include "app/main_window.h"

namespace {

struct ControlState {
  bool usable;      // enabled with all its parents
  bool ownEnabled;  // its own switch, whatever its parents say
  bool operator==(const ControlState&) const = default;
};

struct WindowState {
  std::map<std::string, ControlState> controls;
  QColor cancelFrame;
  bool operator==(const WindowState&) const = default;
};

// Every named widget of the window, and the Cancel frame's colour.
WindowState Snapshot(const TForm1& form) {
  WindowState snapshot;
  for (const QWidget* widget : form.findChildren<QWidget*>()) {
    if (widget->objectName().isEmpty()) continue;
    snapshot.controls[widget->objectName().toStdString()] = {widget->isEnabled(),
                                                             !widget->testAttribute(Qt::WA_ForceDisabled)};
  }
  snapshot.cancelFrame = form.Panel2->palette().color(QPalette::Window);
  return snapshot;
}

std::string Differences(const WindowState& a, const WindowState& b) {
  std::string text;
  for (const auto& [name, state] : a.controls) {
    const auto other = b.controls.find(name);
    if (other == b.controls.end() || !(other->second == state)) text += name + " ";
  }
  if (a.cancelFrame != b.cancelFrame) text += "(Panel2 colour)";
  return text;
}

// The controls a busy state switches off one by one.
const char* const kBusyControls[] = {"B_view", "B_IE",    "B_read",  "B_Check", "B_save", "B_join",
                                     "B_allm", "RadioG1", "RadioG2", "B_Next",  "B_Back", "B_prn",
                                     "B_pre",  "B_findt", "B_allt",  "B_copyt"};

QWidget* Find(const TForm1& form, const char* name) { return form.findChild<QWidget*>(QLatin1String(name)); }

}  // namespace

class ControlStatesTest final : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void readBusyThenIdleRestoresTheStart();
  void joinBusyThenIdleLeavesCancelAlone();
  void modeZeroChangesNothing();
  void cancelOnlyRaisesTheFlagAndTwiceIsOnce();
  void busyWindowKeepsItsTextReadable();
};

void ControlStatesTest::readBusyThenIdleRestoresTheStart() {
  SharedState state;
  TForm1 form(state);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  const WindowState start = Snapshot(form);
  QCOMPARE(start.cancelFrame, ButtonFaceColour(form));

  form.SetControlState(-1);
  QVERIFY(!form.Panel0->isEnabled());
  // Everything inside Panel0 goes with it: the text areas and the view too.
  for (QWidget* inside : form.Panel0->findChildren<QWidget*>()) QVERIFY(!inside->isEnabled());
  for (const char* name : kBusyControls) QVERIFY2(!Find(form, name)->isEnabledTo(form.Panel0), name);
  QVERIFY(!form.L_var->isEnabled());
  QVERIFY(form.L_note->isEnabled());
  QVERIFY(form.isEnabled());
  QVERIFY(form.Panel2->isEnabled());
  QVERIFY(form.bt_can->isEnabled());
  QCOMPARE(form.Panel2->palette().color(QPalette::Window), ActiveCaptionColour(form));
  QVERIFY(ActiveCaptionColour(form) != ButtonFaceColour(form));
  // Cancel is clickable while busy.
  QTest::mouseClick(form.bt_can, Qt::LeftButton);
  QCOMPARE(state.CancelRequested, -1);

  form.SetControlState(1);
  const WindowState end = Snapshot(form);
  QVERIFY2(end == start, Differences(end, start).c_str());
}

void ControlStatesTest::joinBusyThenIdleLeavesCancelAlone() {
  SharedState state;
  TForm1 form(state);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  const WindowState start = Snapshot(form);

  form.SetControlState(-2);
  QVERIFY(!form.Panel0->isEnabled());
  QVERIFY(!form.L_var->isEnabled());
  for (const char* name : kBusyControls) QVERIFY2(!Find(form, name)->isEnabledTo(form.Panel0), name);
  QVERIFY(!form.bt_can->isEnabled());
  QVERIFY(!form.Panel2->isEnabled());
  QCOMPARE(form.Panel2->palette().color(QPalette::Window), ButtonFaceColour(form));

  // A join turns idle for a moment in its middle and busy again.
  form.SetControlState(2);
  form.SetControlState(-2);
  form.SetControlState(2);
  const WindowState end = Snapshot(form);
  QVERIFY2(end == start, Differences(end, start).c_str());
  QVERIFY(!form.bt_can->isEnabled());
}

void ControlStatesTest::modeZeroChangesNothing() {
  SharedState state;
  TForm1 form(state);
  const WindowState idle = Snapshot(form);
  form.SetControlState(0);
  QVERIFY(Snapshot(form) == idle);
  form.SetControlState(-1);
  const WindowState busy = Snapshot(form);
  QVERIFY(!(busy == idle));
  form.SetControlState(0);
  QVERIFY2(Snapshot(form) == busy, Differences(Snapshot(form), busy).c_str());
}

void ControlStatesTest::cancelOnlyRaisesTheFlagAndTwiceIsOnce() {
  SharedState state;
  TForm1 form(state);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  // Inactive at start: a click does nothing.
  QTest::mouseClick(form.bt_can, Qt::LeftButton);
  QCOMPARE(state.CancelRequested, 0);

  form.SetControlState(-1);
  const WindowState busy = Snapshot(form);
  QTest::mouseClick(form.bt_can, Qt::LeftButton);
  const std::int32_t once = state.CancelRequested;
  QTest::mouseClick(form.bt_can, Qt::LeftButton);
  QCOMPARE(once, -1);
  QCOMPARE(state.CancelRequested, once);
  QVERIFY2(Snapshot(form) == busy, Differences(Snapshot(form), busy).c_str());

  // Idle again, the flag stays until the next read clears it.
  form.SetControlState(1);
  QCOMPARE(state.CancelRequested, -1);
}

void ControlStatesTest::busyWindowKeepsItsTextReadable() {
  SharedState state;
  TForm1 form(state);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  form.Label1->setText(QString::fromUtf8("*** 2/3 ページ目取得中 ***"));
  form.Memo1->setPlainText(QString::fromUtf8("2026/12/07 10:00 http://x/1.html\n本文"));
  form.Edit1->setText(QStringLiteral("http://127.0.0.1/m/log/0000100001"));
  form.Panel1->setText(QString::fromUtf8("週刊サンプル通信"));
  const std::vector<QWidget*> readable = {form.Label1, form.Memo1->viewport(), form.Edit1, form.Panel1,
                                          form.Label4};
  std::vector<QImage> idle;
  for (QWidget* widget : readable) idle.push_back(widget->grab().toImage());
  const QImage idleButton = form.B_Check->grab().toImage();

  // While a read runs the progress, the address and the result look as before; the
  // buttons switched off look switched off.
  form.SetControlState(-1);
  for (std::size_t i = 0; i < readable.size(); ++i) {
    QVERIFY2(readable[i]->grab().toImage() == idle[i], qPrintable(readable[i]->objectName()));
  }
  QVERIFY(form.B_Check->grab().toImage() != idleButton);
}

QTEST_MAIN(ControlStatesTest)
#include "control_states_window_test.moc"
