#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>

#include "host/context.h"
#include "host/document_kind.h"
#include "host/tool_session.h"
#include "host/window_state.h"
#include "window_services.h"

namespace q9::app {

class QtEventPump;
class QtTranslations;

// frmMain: the tool's one window. Its load is the start-up sequence; its buttons hand the
// window's state to the core as a plain struct.
class MainWindow : public QWidget {
    Q_OBJECT

  public:
    explicit MainWindow(LoginOptions options, WindowServices services = {},
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // Operations the handlers share.
    std::string ChooseOpenFile();
    // The folder of the chosen save path (with its trailing separator); `fileName` receives the
    // last part. Empty folder and `fileName` untouched when nothing was chosen.
    std::string ChooseSaveFile(std::string& fileName);
    bool AnyRateSelected() const;
    void ReleaseRecordset();
    // Appends to the debug log; a failing write is shown in a message box.
    void DebugLog(const std::string& message);

    // The widgets' states copied into the struct, and the context of one core call.
    CoreContext Context();

    WindowState& state() { return state_; }
    ToolSession& session() { return *session_; }
    QTimer* timer1() const { return timer1_; }
    bool RunInProgress() const { return busy_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    struct DocumentFrame {
        QGroupBox* frame = nullptr;
        QPushButton* exportButton = nullptr;
        QLineEdit* pathBox = nullptr;
        QPushButton* readButton = nullptr;
        QLabel* conditionLabel = nullptr;
    };

    void BuildControls();
    struct FrameLayout;
    DocumentFrame BuildDocumentFrame(const FrameLayout& layout);
    void SetTabOrder();
    void ConnectEvents();
    void CreateServices(WindowServices services, const std::string& language);
    void RunStartup();
    void ShowRateProfile();
    void TranslateCaptions();
    void CopyWidgetsToState();

    void OnRateClicked();
    void OnReadClicked(QLineEdit* pathBox, DocumentKind kind);
    void OnExportClicked(DocumentKind kind);
    void OnFixClicked();
    void OnPreviewClicked();
    void OnCommand1Clicked();
    template <typename Work>
    void RunCommand(Work&& work);
    void ShowFailure(const std::string& description);
    // A text of the tool in the session's language.
    QString Translated(const char* text);

    std::unique_ptr<QtTranslations> qtTranslations_;
    WindowServices services_;
    QtEventPump* qtPump_ = nullptr;  // the Qt pump when not replaced; in services_
    std::unique_ptr<ToolSession> session_;
    WindowState state_;
    bool busy_ = false;
    bool closePending_ = false;

    QCheckBox* chk17_ = nullptr;
    QCheckBox* chk11_ = nullptr;
    QLineEdit* txtOld_ = nullptr;
    QLineEdit* txtNew_ = nullptr;
    QCheckBox* chkItem_ = nullptr;
    QCheckBox* chkCust_ = nullptr;
    QCheckBox* chkSupply_ = nullptr;
    QRadioButton* optAmount_ = nullptr;
    QRadioButton* optPrice_ = nullptr;
    DocumentFrame po_, so_, htyf_, htys_;
    QPushButton* command1_ = nullptr;
    QPushButton* cmdFix_ = nullptr;
    QPushButton* cmdPreview_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QTimer* timer1_ = nullptr;
};

// Splits a chosen path at the platform's separator: the folder keeps its trailing separator, a
// path without one gives the empty folder and the whole path as the file name.
std::string SplitChosenPath(const std::string& path, std::string& fileName);

}  // namespace q9::app
