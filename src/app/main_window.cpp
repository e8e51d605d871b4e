#include "main_window.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <exception>

#include "export/save_path.h"
#include "host/account_file.h"
#include "host/document_kind.h"
#include "jobs/batch_run.h"
#include "jobs/export_candidates.h"
#include "jobs/startup.h"
#include "jobs/undo_clicked.h"
#include "qt_event_pump.h"
#include "qt_file_chooser.h"
#include "qt_login_prompt.h"
#include "qt_notifier.h"
#include "qt_prompter.h"
#include "qt_result_display.h"
#include "qt_translations.h"

namespace q9::app {

namespace {

constexpr const char* kCloseAfterRunNote = "本次运行结束后关闭窗口";

CheckValue ValueOf(const QCheckBox* box) {
    switch (box->checkState()) {
        case Qt::Checked:
            return CheckValue::Checked;
        case Qt::PartiallyChecked:
            return CheckValue::Grayed;
        case Qt::Unchecked:
            break;
    }
    return CheckValue::Unchecked;
}

std::string TextOf(const QLineEdit* box) {
    return box->text().toStdString();
}

// Raised while a command runs, so that no second command starts from the events it lets through.
class BusyScope {
  public:
    explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
    ~BusyScope() { busy_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    bool& busy_;
};

}  // namespace

std::string SplitChosenPath(const std::string& path, std::string& fileName) {
    const std::optional<SavePath> split = SplitSavePath(path);
    if (!split) return {};
    fileName = split->fileName;
    return split->folder;
}

MainWindow::MainWindow(LoginOptions options, WindowServices services, QWidget* parent)
    : QWidget(parent), qtTranslations_(std::make_unique<QtTranslations>(options.language)) {
    BuildControls();
    SetTabOrder();
    ConnectEvents();
    CreateServices(std::move(services), options.language);
    options.prompt = services_.loginPrompt.get();
    state_.rateProfile = options.rateProfile;
    session_ = std::make_unique<ToolSession>(std::move(options), *services_.notifier);
    RunStartup();
    ShowRateProfile();
    TranslateCaptions();
}

MainWindow::~MainWindow() {
    if (qtPump_) qtPump_->Finish();
}

void MainWindow::CreateServices(WindowServices services, const std::string& language) {
    services_ = std::move(services);
    if (!services_.notifier) {
        auto notifier = std::make_unique<QtNotifier>();
        notifier->SetParent(this);
        services_.notifier = std::move(notifier);
    }
    if (!services_.prompter) {
        auto prompter = std::make_unique<QtPrompter>();
        prompter->SetParent(this);
        services_.prompter = std::move(prompter);
    }
    if (!services_.files) {
        auto files = std::make_unique<QtFileChooser>();
        files->SetParent(this);
        services_.files = std::move(files);
    }
    if (!services_.pump) {
        auto pump = std::make_unique<QtEventPump>();
        pump->SetParent(this);
        pump->SetRowText([this](const QString& kind, int row, int count) {
            return QString::fromStdString(session_->texts().FormatText(
                "%1：第 %2 行，共 %3 行", {kind.toStdString(), row, count}));
        });
        qtPump_ = pump.get();
        services_.pump = std::move(pump);
    }
    if (!services_.loginPrompt) {
        auto prompt = std::make_unique<QtLoginPrompt>();
        prompt->SetParent(this);
        // The login comes before the session knows its language: the option tells it.
        auto loader = std::make_shared<ResourceLoader>(DefaultCatalogDirectory());
        loader->SetResFileBaseName("Q9INDUSTRY");
        loader->SetLanguageID(language);
        prompt->SetTranslate([loader](const char* text) {
            return QString::fromStdString(loader->LoadString(text));
        });
        prompt->SetMemoryFile(LastLoginPath());
        services_.loginPrompt = std::move(prompt);
    }
    if (!services_.displays) {
        services_.displays = std::make_unique<QtResultDisplayFactory>(
            this, [this](const char* text) { return Translated(text); },
            [this] {
                if (qtPump_) qtPump_->Finish();
            },
            [this](ResultGridDialog& dialog) {
                dialog.SetRunUndoer([this](int32_t runId) {
                    CoreContext context = Context();
                    return UndoClicked(context, runId).result;
                });
                // The grid's files never replace the account, as the export's and the report's.
                dialog.SetPathRefusal([this](const std::string& path) {
                    return AccountFileRefusal(session_->gateway(), session_->texts(), path);
                });
            });
    }
    if (!services_.log) services_.log = std::make_unique<FileDebugLog>();
}

QString MainWindow::Translated(const char* text) {
    return QString::fromStdString(session_->texts().LoadText(text));
}

void MainWindow::ConnectEvents() {
    connect(chk17_, &QCheckBox::stateChanged, this, &MainWindow::OnRateClicked);
    connect(chk11_, &QCheckBox::stateChanged, this, &MainWindow::OnRateClicked);
    connect(po_.readButton, &QPushButton::clicked, this,
            [this] { OnReadClicked(po_.pathBox, DocumentKind::PurchaseOrder); });
    connect(so_.readButton, &QPushButton::clicked, this,
            [this] { OnReadClicked(so_.pathBox, DocumentKind::SalesOrder); });
    connect(htyf_.readButton, &QPushButton::clicked, this,
            [this] { OnReadClicked(htyf_.pathBox, DocumentKind::PayableContract); });
    connect(htys_.readButton, &QPushButton::clicked, this,
            [this] { OnReadClicked(htys_.pathBox, DocumentKind::ReceivableContract); });
    connect(po_.exportButton, &QPushButton::clicked, this,
            [this] { OnExportClicked(DocumentKind::PurchaseOrder); });
    connect(so_.exportButton, &QPushButton::clicked, this,
            [this] { OnExportClicked(DocumentKind::SalesOrder); });
    connect(htyf_.exportButton, &QPushButton::clicked, this,
            [this] { OnExportClicked(DocumentKind::PayableContract); });
    connect(htys_.exportButton, &QPushButton::clicked, this,
            [this] { OnExportClicked(DocumentKind::ReceivableContract); });
    connect(cmdFix_, &QPushButton::clicked, this, &MainWindow::OnFixClicked);
    connect(cmdPreview_, &QPushButton::clicked, this, &MainWindow::OnPreviewClicked);
    connect(command1_, &QPushButton::clicked, this, &MainWindow::OnCommand1Clicked);
    connect(cmdCancel_, &QPushButton::clicked, this, &QWidget::close);
    connect(timer1_, &QTimer::timeout, this, &QWidget::close);
}

void MainWindow::RunStartup() {
    const StartupOutcome startup = StartUp(*session_, state_, *services_.prompter);
    if (startup.profileNotRemembered) {
        Texts& texts = session_->texts();
        texts.ShowNotice(texts.FormatText(
            kProfileNotRememberedText,
            {Value(texts.DescribeWithNumber(startup.profileNotRemembered->error))}));
    }
    if (startup.loginRefused()) {
        for (QGroupBox* frame : {po_.frame, so_.frame, htyf_.frame, htys_.frame}) {
            frame->setEnabled(false);
        }
        timer1_->start();
    }
}

void MainWindow::TranslateCaptions() {
    Texts& texts = session_->texts();
    auto translate = [&texts](const QString& caption) {
        return QString::fromStdString(texts.LoadText(caption.toStdString()));
    };
    setWindowTitle(translate(windowTitle()));
    for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
        button->setText(translate(button->text()));
    }
    for (QGroupBox* frame : findChildren<QGroupBox*>()) frame->setTitle(translate(frame->title()));
    for (QLabel* label : findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) label->setText(translate(label->text()));
    }
    if (qtPump_) {
        qtPump_->SetCloseRequest(cmdCancel_->text(), Translated(kCloseAfterRunNote),
                                 [this] { closePending_ = true; });
    }
}

void MainWindow::CopyWidgetsToState() {
    state_.chk17 = ValueOf(chk17_);
    state_.chk11 = ValueOf(chk11_);
    state_.chkItem = ValueOf(chkItem_);
    state_.chkCust = ValueOf(chkCust_);
    state_.chkSupply = ValueOf(chkSupply_);
    state_.adjustmentRule = optAmount_->isChecked() ? AdjustmentRule::KeepTaxInclusivePrice
                                                    : AdjustmentRule::KeepTaxExclusivePrice;
    state_.txtPOFile = TextOf(po_.pathBox);
    state_.txtSOFile = TextOf(so_.pathBox);
    state_.txtHTYFFile = TextOf(htyf_.pathBox);
    state_.txtHYSFFile = TextOf(htys_.pathBox);
}

CoreContext MainWindow::Context() {
    CopyWidgetsToState();
    return CoreContext{session_->gateway(),
                       session_->texts(),
                       *services_.prompter,
                       *services_.files,
                       *services_.pump,
                       *services_.log,
                       state_};
}

std::string MainWindow::ChooseOpenFile() {
    try {
        return services_.files->ChooseOpenFile();
    } catch (...) {
        return {};
    }
}

std::string MainWindow::ChooseSaveFile(std::string& fileName) {
    try {
        return SplitChosenPath(services_.files->ChooseSavePath(), fileName);
    } catch (...) {
        return {};
    }
}

bool MainWindow::AnyRateSelected() const {
    return chk11_->checkState() == Qt::Checked || chk17_->checkState() == Qt::Checked;
}

void MainWindow::ReleaseRecordset() {
    state_.ReleaseRecordset();
}

void MainWindow::DebugLog(const std::string& message) {
    try {
        services_.log->Write(message);
    } catch (const HostError& e) {
        MessageBoxRequest box;
        box.text = session_->texts().Describe(e.error());
        services_.prompter->Ask(box);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (busy_) {
        // The running command still works on this window's state: close once it returns.
        closePending_ = true;
        if (qtPump_) qtPump_->NoteClosePending();
        event->ignore();
        return;
    }
    ReleaseRecordset();
    event->accept();
}

void MainWindow::ShowFailure(const std::string& description) {
    session_->texts().ShowNotice(description);
}

template <typename Work>
void MainWindow::RunCommand(Work&& work) {
    if (busy_) return;
    {
        BusyScope busy(busy_);
        try {
            work();
        } catch (const HostError& e) {
            ShowFailure(session_->texts().Describe(e.error()));
        } catch (const std::exception& e) {
            ShowFailure(e.what());
        }
        if (qtPump_) qtPump_->Finish();
    }
    if (closePending_) QTimer::singleShot(0, this, &QWidget::close);
}

void MainWindow::OnRateClicked() {
    cmdFix_->setEnabled(AnyRateSelected());
    cmdPreview_->setEnabled(cmdFix_->isEnabled());
}

void MainWindow::OnReadClicked(QLineEdit* pathBox, DocumentKind kind) {
    RunCommand([&] {
        if (const char* refusal = WholeBillDiscountRefusal(kind);
            refusal && state_.billDiscountOn) {
            session_->texts().Notice(refusal);
            return;
        }
        const std::string path = ChooseOpenFile();
        // A cancelled dialog keeps the workbook chosen before.
        if (!path.empty()) pathBox->setText(QString::fromStdString(path));
    });
}

void MainWindow::OnExportClicked(DocumentKind kind) {
    RunCommand([&] {
        CoreContext context = Context();
        ExportCandidates(context, kind);
    });
}

void MainWindow::OnFixClicked() {
    RunCommand([&] {
        CoreContext context = Context();
        FixClicked(context, *services_.displays);
    });
}

void MainWindow::OnPreviewClicked() {
    RunCommand([&] {
        CoreContext context = Context();
        PreviewClicked(context, *services_.displays);
    });
}

void MainWindow::OnCommand1Clicked() {
    RunCommand([&] {
        CoreContext context = Context();
        Command1Clicked(context, *services_.displays);
    });
}

}  // namespace q9::app
