#pragma once

#include <QFileDialog>
#include <QMessageBox>
#include <functional>
#include <string>

namespace q9::app::test {

// Runs the purchase-order export of a window in a `language` session with Qt's own dialogs, the
// workbook already there: `onSaveDialog` sees the save dialog (opened on the account's folder,
// "po.xls" chosen) once it is drawn, `onQuestion` the overwrite question; the tour then chooses
// the file and answers No. False when a dialog never came.
struct ExportDialogTour {
    std::function<void(QFileDialog&)> onSaveDialog;
    std::function<void(QMessageBox&)> onQuestion;

    bool Run(const std::string& language) const;
};

}  // namespace q9::app::test
