// The main window's toolbar: the render size fields, the export choice and
// the snapshot button, each between flexible spaces.
#pragma once

class QAction;
class QComboBox;
class QLineEdit;
class QMainWindow;

namespace tarnvik {

struct Toolbar {
    QLineEdit* widthField;
    QLineEdit* heightField;
    QComboBox* exportMenu; // 0 no export, 1 movie file, 2 live DV
};

// snapshot: the snapshot command, shown as a button after the export choice.
Toolbar makeToolbar(QMainWindow* window, QAction* snapshot);

} // namespace tarnvik
