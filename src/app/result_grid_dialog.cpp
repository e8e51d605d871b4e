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
    auto* closeButton = new QPushButton(translate_("关闭"), this);
    closeButton->setObjectName(QStringLiteral("cmdClose"));
    closeButton->setDefault(true);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copyButton);
    buttons->addWidget(saveButton);
    buttons->addStretch(1);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);

    int width = table_.widthTwips > 0 ? ToPixels(table_.widthTwips) : 800;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        width = std::min(width, screen->availableGeometry().width() - 40);
    }
    resize(width, kDefaultHeight);
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

bool ResultGridDialog::SaveAsCsv() {
    const QString path = askCsvPath_(this);
    if (path.isEmpty()) return false;
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
