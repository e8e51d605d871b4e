#include "qt_file_chooser.h"

#include <QFileDialog>
#include <QFileInfo>

namespace q9::app {

namespace {

QString Choose(QWidget* parent, QString& lastDirectory, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, QString(), lastDirectory, QString::fromUtf8(kWorkbookFilter));
    // Qt's own dialog speaks the session's language; a desktop's would speak the desktop's.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    if (mode == QFileDialog::AcceptSave) {
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QStringLiteral("xls"));
        // The exporter asks its own overwrite question; a second one here would be noise.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    const QString path = dialog.selectedFiles().constFirst();
    lastDirectory = QFileInfo(path).absolutePath();
    return QDir::toNativeSeparators(path);
}

}  // namespace

std::string QtFileChooser::ChooseOpenFile() {
    return Choose(parent_, lastDirectory_, QFileDialog::AcceptOpen).toStdString();
}

std::string QtFileChooser::ChooseSavePath() {
    return Choose(parent_, lastDirectory_, QFileDialog::AcceptSave).toStdString();
}

}  // namespace q9::app
