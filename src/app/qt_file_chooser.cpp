#include "qt_file_chooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <vector>

#include "host/path_list.h"

namespace q9::app {

namespace {

QStringList Choose(QWidget* parent, QString& lastDirectory, QFileDialog::AcceptMode mode) {
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
        // A large export is several workbooks of a kind, all converted in one run.
        dialog.setFileMode(QFileDialog::ExistingFiles);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    QStringList paths = dialog.selectedFiles();
    lastDirectory = QFileInfo(paths.constFirst()).absolutePath();
    for (QString& path : paths) path = QDir::toNativeSeparators(path);
    return paths;
}

}  // namespace

std::string QtFileChooser::ChooseOpenFile() {
    std::vector<std::string> paths;
    for (const QString& path : Choose(parent_, lastDirectory_, QFileDialog::AcceptOpen))
        paths.push_back(path.toStdString());
    return JoinPathList(paths);
}

std::string QtFileChooser::ChooseSavePath() {
    const QStringList paths = Choose(parent_, lastDirectory_, QFileDialog::AcceptSave);
    return paths.isEmpty() ? std::string() : paths.constFirst().toStdString();
}

}  // namespace q9::app
