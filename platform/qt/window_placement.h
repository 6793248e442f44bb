#pragma once
// Where the windows appear: centred on the primary screen, or placed by factors.

#include <QPoint>
#include <QSize>

class QWidget;

namespace korvel {

// Left = (screen - window) / 2 truncated toward zero; a top edge above -5 is raised to -5.
QPoint CenteredPosition(QSize screen, QSize window);
// Left = (screen - window) x (1 + fx) / 2, top likewise with fy, rounded half to even; same -5 floor.
QPoint PlacedPosition(QSize screen, QSize window, double fx, double fy);

void CenterOnScreen(QWidget* window);
void PlaceOnScreen(QWidget* window, double fx, double fy);

} // namespace korvel
