#pragma once
// SIGINT and SIGTERM as an event: a run without a window has no Cancel button and no
// frame to close, so these signals take their place.

#include <QObject>

class QSocketNotifier;

class InterruptSignals final : public QObject {
  Q_OBJECT

 public:
  // Catches SIGINT and SIGTERM for as long as the object lives.
  explicit InterruptSignals(QObject* parent = nullptr);
  ~InterruptSignals() override;

 Q_SIGNALS:
  void Interrupted();

 private:
  QSocketNotifier* notifier_ = nullptr;
};
