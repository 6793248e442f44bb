#include "platform/qt/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace korvel {

namespace {

constexpr int kTopFloor = -5;

// std::nearbyint rounds halves to the even neighbour in the default rounding mode.
int RoundHalfEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

QSize PrimaryScreenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize(1024, 768);
}

QSize OuterSize(const QWidget* w) {
    const QSize frame = w->frameGeometry().size();
    return frame.isValid() && !frame.isEmpty() ? frame : w->size();
}

} // namespace

QPoint CenteredPosition(QSize screen, QSize window) {
    const int left = (screen.width() - window.width()) / 2;
    const int top = (screen.height() - window.height()) / 2;
    return {left, std::max(top, kTopFloor)};
}

QPoint PlacedPosition(QSize screen, QSize window, double fx, double fy) {
    const int left = RoundHalfEven((screen.width() - window.width()) * (1 + fx) / 2);
    const int top = RoundHalfEven((screen.height() - window.height()) * (1 + fy) / 2);
    return {left, std::max(top, kTopFloor)};
}

void CenterOnScreen(QWidget* window) {
    window->move(CenteredPosition(PrimaryScreenSize(), OuterSize(window)));
}

void PlaceOnScreen(QWidget* window, double fx, double fy) {
    window->move(PlacedPosition(PrimaryScreenSize(), OuterSize(window), fx, fy));
}

} // namespace korvel
