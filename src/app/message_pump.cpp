#include "app/message_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include "platform/events.h"

void InstallThrottledMessagePump() {
  QElapsedTimer sincePump;
  sincePump.start();
  SetMessagePump([sincePump]() mutable {
    if (sincePump.elapsed() < 10) return;
    QCoreApplication::processEvents();
    sincePump.restart();
  });
}
