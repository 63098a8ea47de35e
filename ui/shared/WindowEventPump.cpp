#include "WindowEventPump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <memory>

#include "EventPump.h"

namespace kelvane {

namespace {

// The decoders pump after every few lines; the window needs far fewer redraws than that. Each
// round repaints what changed, a growing list included, so twenty a second keep the window live
// without making a large listing pay for repaints nobody can follow.
constexpr qint64 kPumpIntervalMs = 50;

}  // namespace

void InstallWindowEventPump() {
    auto sinceLast = std::make_shared<QElapsedTimer>();
    sinceLast->start();
    SetEventPump([sinceLast] {
        if (sinceLast->elapsed() < kPumpIntervalMs) return;
        sinceLast->restart();
        QCoreApplication::processEvents();
    });
}

void RemoveWindowEventPump() {
    SetEventPump({});
}

}  // namespace kelvane
