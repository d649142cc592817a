// The main window's toolbar: the render size fields with a menu of typical
// sizes, the export choice and the snapshot button, each between flexible
// spaces.
#pragma once

class QAction;
class QComboBox;
class QLineEdit;
class QMainWindow;
class QToolButton;

namespace tarnvik {

// What an item of the export menu does: its item data.
enum ExportChoice { kNoExport = 0, kMovieExport = 1, kLiveDVExport = 2, kStreamExport = 3, kVirtualCameraExport = 4 };

struct Toolbar {
    QLineEdit* widthField;
    QLineEdit* heightField;
    QToolButton* sizeMenu; // its actions' data: the sizes, QSize
    QComboBox* exportMenu; // its items' data: ExportChoice
};

// snapshot: the snapshot command, shown as a button after the export choice.
// virtualCamera: a loopback device is there to offer "Virtual camera" for.
Toolbar makeToolbar(QMainWindow* window, QAction* snapshot, bool virtualCamera);

} // namespace tarnvik
