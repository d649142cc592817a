// The main window's toolbar: the render size fields and the export choice,
// each between flexible spaces.
#pragma once

class QComboBox;
class QLineEdit;
class QMainWindow;

namespace tarnvik {

struct Toolbar {
    QLineEdit* widthField;
    QLineEdit* heightField;
    QComboBox* exportMenu; // 0 no export, 1 movie file, 2 live DV
};

Toolbar makeToolbar(QMainWindow* window);

} // namespace tarnvik
