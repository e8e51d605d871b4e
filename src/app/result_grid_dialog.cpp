#include "result_grid_dialog.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

#include "jobs/change_list_file.h"

namespace q9::app {

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kDefaultHeight = 480;

int ToPixels(int twips) {
    return twips / kTwipsPerPixel;
}

QString CellText(const QString& text) {
    QString flat = text;
    flat.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return flat.remove(QLatin1Char('\r'));
}

}  // namespace

ResultGridDialog::ResultGridDialog(ResultTable table, Translate translate, QWidget* parent)
    : QDialog(parent), table_(std::move(table)), translate_(std::move(translate)) {
    setObjectName(QStringLiteral("dlgResult"));
    setWindowTitle(parent ? parent->windowTitle() : QString());
    askCsvPath_ = [this](QWidget* owner) {
        return QFileDialog::getSaveFileName(owner, QString(), QString(), translate_("CSV (*.csv)"),
                                            nullptr, QFileDialog::DontUseNativeDialog);
    };
    askChangesPath_ = [this](QWidget* owner) {
        return QFileDialog::getSaveFileName(owner, QString(), QString(),
                                            translate_("CSV (*.csv);;Excel (*.xlsx)"), nullptr,
                                            QFileDialog::DontUseNativeDialog);
    };
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("lblSummary"));
    summary_->hide();

    grid_ = new QTableWidget(static_cast<int>(table_.rows.size()), table_.ColumnCount(), this);
    grid_->setObjectName(QStringLiteral("grdResult"));
    QStringList titles;
    for (const std::string& title : table_.titles) titles << QString::fromStdString(title);
    grid_->setHorizontalHeaderLabels(titles);
    for (int r = 0; r < static_cast<int>(table_.rows.size()); ++r) {
        const auto& cells = table_.rows[static_cast<size_t>(r)];
        for (int c = 0; c < table_.ColumnCount(); ++c) {
            auto* item =
                new QTableWidgetItem(QString::fromStdString(cells[static_cast<size_t>(c)]));
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            grid_->setItem(r, c, item);
        }
    }
    grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->horizontalHeader()->setStretchLastSection(true);
    // The last column takes what the others leave in the width asked for, so the columns
    // never need a scroll bar of their own; a width given to it would be its minimum.
    const int lastColumn = table_.ColumnCount() - 1;
    for (int c = 0; c < lastColumn && c < static_cast<int>(table_.columnTwips.size()); ++c) {
        if (table_.columnTwips[static_cast<size_t>(c)] > 0)
            grid_->setColumnWidth(c, ToPixels(table_.columnTwips[static_cast<size_t>(c)]));
    }
    if (lastColumn >= 0) {
        grid_->horizontalHeader()->setSectionResizeMode(lastColumn, QHeaderView::Stretch);
    }

    // Ctrl+C copies the whole selection, not only the current cell as the view would.
    grid_->installEventFilter(this);

    auto* copyButton = new QPushButton(translate_("复制(&C)"), this);
    copyButton->setObjectName(QStringLiteral("cmdCopy"));
    copyButton->setAutoDefault(false);
    connect(copyButton, &QPushButton::clicked, this, &ResultGridDialog::CopySelection);
    auto* saveButton = new QPushButton(translate_("保存为CSV(&S)..."), this);
    saveButton->setObjectName(QStringLiteral("cmdSaveCsv"));
    saveButton->setAutoDefault(false);
    connect(saveButton, &QPushButton::clicked, this, &ResultGridDialog::SaveAsCsv);
    saveChanges_ = new QPushButton(translate_("保存变更明细"), this);
    saveChanges_->setObjectName(QStringLiteral("cmdSaveChanges"));
    saveChanges_->setAutoDefault(false);
    saveChanges_->hide();
    connect(saveChanges_, &QPushButton::clicked, this, &ResultGridDialog::SaveChanges);
    undo_ = new QPushButton(translate_("撤销上次调整"), this);
    undo_->setObjectName(QStringLiteral("cmdUndo"));
    undo_->setAutoDefault(false);
    undo_->hide();
    connect(undo_, &QPushButton::clicked, this, &ResultGridDialog::UndoRun);
    auto* closeButton = new QPushButton(translate_("关闭"), this);
    closeButton->setObjectName(QStringLiteral("cmdClose"));
    closeButton->setDefault(true);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copyButton);
    buttons->addWidget(saveButton);
    buttons->addWidget(saveChanges_);
    buttons->addStretch(1);
    buttons->addWidget(undo_);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);

    int width = table_.widthTwips > 0 ? ToPixels(table_.widthTwips) : 800;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        width = std::min(width, screen->availableGeometry().width() - 40);
    }
    resize(width, kDefaultHeight);
}

void ResultGridDialog::SetReport(RunReport report) {
    report_ = std::move(report);
    QStringList lines;
    for (const KindSummary& kind : report_.kinds) {
        lines << translate_("%1：调整 %2 行，列出 %3 行，无需调整 %4 行；税额合计 %5 → %6")
                     .arg(translate_(KindText(kind.kind).c_str()), QString::number(kind.converted),
                          QString::number(kind.refused), QString::number(kind.unchanged),
                          QString::fromStdString(kind.taxBefore),
                          QString::fromStdString(kind.taxAfter));
    }
    summary_->setText(lines.join(QLatin1Char('\n')));
    summary_->setVisible(!lines.isEmpty());
    saveChanges_->show();
    saveChanges_->setEnabled(!report_.changes->empty());
    ShowReportButtons();
}

void ResultGridDialog::SetRunUndoer(RunUndoer undoer) {
    undoRun_ = std::move(undoer);
    ShowReportButtons();
}

void ResultGridDialog::ShowReportButtons() {
    undo_->setVisible(report_.undoableRun > 0 && undoRun_);
}

bool ResultGridDialog::SaveChanges() {
    const QString path = askChangesPath_(this);
    if (path.isEmpty() || Refused(path)) return false;
    const std::vector<std::string> titles =
        ChangeListTitles(translate_(kChangeListTitles).toStdString());
    if (WriteChangeList(path.toStdString(), titles, translate_(kChangeListSheet).toStdString(),
                        *report_.changes)) {
        return true;
    }
    QMessageBox::warning(this, windowTitle(), translate_("不能写入变更明细文件：%1").arg(path));
    return false;
}

void ResultGridDialog::UndoRun() {
    if (!undoRun_ || report_.undoableRun <= 0) return;
    // Once asked and answered Yes, the run is undone, or refused for good.
    if (undoRun_(report_.undoableRun) != UndoResult::Declined) undo_->setEnabled(false);
}

bool ResultGridDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        CopySelection();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QString ResultGridDialog::SelectedCellsAsText() const {
    std::map<int, std::map<int, QString>> cells;  // row → column → text, both in order
    for (const QModelIndex& index : grid_->selectionModel()->selectedIndexes()) {
        cells[index.row()][index.column()] = CellText(index.data().toString());
    }
    QString text;
    for (const auto& [row, columns] : cells) {
        QStringList line;
        for (const auto& [column, cell] : columns) line << cell;
        text += line.join(QLatin1Char('\t'));
        text += QLatin1Char('\n');
    }
    return text;
}

void ResultGridDialog::CopySelection() const {
    const QString text = SelectedCellsAsText();
    if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

bool ResultGridDialog::Refused(const QString& path) {
    if (!refusePath_) return false;
    const std::optional<std::string> refusal = refusePath_(path.toStdString());
    if (refusal) QMessageBox::warning(this, windowTitle(), QString::fromStdString(*refusal));
    return refusal.has_value();
}

bool ResultGridDialog::SaveAsCsv() {
    const QString path = askCsvPath_(this);
    if (path.isEmpty() || Refused(path)) return false;
    const std::string csv = ResultTableToCsv(table_);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) &&
        file.write(csv.data(), static_cast<qint64>(csv.size())) ==
            static_cast<qint64>(csv.size()) &&
        file.commit()) {
        return true;
    }
    QMessageBox::warning(this, windowTitle(), file.errorString());
    return false;
}

}  // namespace q9::app
