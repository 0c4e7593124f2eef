#pragma once
// For the benchmarks: a 1 ms timer that notes the longest stretch in which the event
// loop delivered nothing, i.e. how long a click on Cancel could have waited.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class EventGapProbe final : public QObject {
 public:
  explicit EventGapProbe(QObject* parent = nullptr);
  qint64 LongestGapMs() const { return longest_; }

 private:
  void OnTick();

  QTimer timer_;
  QElapsedTimer sinceLastTick_;
  qint64 longest_ = 0;
};
