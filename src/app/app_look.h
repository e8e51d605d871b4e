#pragma once

#include <QFont>

class QApplication;

namespace q9::app {

// The window's face: 宋体 at 9 points.
QFont WindowFont();

// Maps 宋体/SimSun to an installed Song face (no font answers to those names here, and the
// fallback would mix faces per script), sets the application font and the classic style.
void ApplyLook(QApplication& application);

}  // namespace q9::app
