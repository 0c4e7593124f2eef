#include "app/event_gap_probe.h"

EventGapProbe::EventGapProbe(QObject* parent) : QObject(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &EventGapProbe::OnTick);
  timer_.start(1);
  sinceLastTick_.start();
}

void EventGapProbe::OnTick() { longest_ = std::max(longest_, sinceLastTick_.restart()); }
