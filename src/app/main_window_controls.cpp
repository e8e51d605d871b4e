// The controls of frmMain: captions, places (twips, relative to the container), initial states
// and tab order.
#include <QPalette>
#include <algorithm>

#include "compact_label.h"
#include "main_window.h"

namespace q9::app {

namespace {

constexpr int kTwipsPerPixel = 15;

int Pixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

QRect Twips(int left, int top, int width, int height) {
    return QRect(Pixels(left), Pixels(top), Pixels(width), Pixels(height));
}

template <typename Widget>
Widget* Place(Widget* widget, const char* name, QRect geometry) {
    widget->setObjectName(QString::fromUtf8(name));
    widget->setGeometry(geometry);
    return widget;
}

CompactLabel* Label(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    return Place(new CompactLabel(QString::fromUtf8(caption), parent), name, geometry);
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    auto* button = Place(new QPushButton(QString::fromUtf8(caption), parent), name, geometry);
    button->setAutoDefault(false);
    return button;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    return Place(new QCheckBox(QString::fromUtf8(caption), parent), name, geometry);
}

QLineEdit* TextBox(QWidget* parent, const char* name, const char* text, QRect geometry) {
    return Place(new QLineEdit(QString::fromUtf8(text), parent), name, geometry);
}

QGroupBox* Frame(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    return Place(new QGroupBox(QString::fromUtf8(caption), parent), name, geometry);
}

constexpr const char* kNotes =
    "1.使用此工具前建议先备份账套，取业务空闲时间调整，避免引起业务操作异常;\n\n"
    "2.需要调整业务单据税率的，请先使用引出按钮引出可调整的数据明细;\n\n"
    "3.引出xls后只需要做删行操作去除不调整的数据行，其他数据不允许做任何其他改动。";

}  // namespace

struct MainWindow::FrameLayout {
    const char* frameName;
    const char* caption;
    int top;
    const char* exportName;
    const char* exportCaption;
    const char* conditionLabel;
    int conditionWidth;
    const char* fileLabel;
    int fileLabelTop;
    const char* pathBox;
    int pathBoxTop;  // the "..." button stands on the same line
    const char* readName;
};

MainWindow::DocumentFrame MainWindow::BuildDocumentFrame(const FrameLayout& layout) {
    DocumentFrame frame;
    frame.frame = Frame(this, layout.frameName, layout.caption, Twips(420, layout.top, 9225, 1365));
    QGroupBox* box = frame.frame;
    frame.exportButton =
        Button(box, layout.exportName, layout.exportCaption, Twips(540, 300, 1545, 375));
    frame.conditionLabel =
        Label(box, layout.conditionLabel, "", Twips(2310, 420, layout.conditionWidth, 180));
    Label(box, layout.fileLabel, "选择批改XLS文件：", Twips(570, layout.fileLabelTop, 1530, 180));
    frame.pathBox = TextBox(box, layout.pathBox, "", Twips(2250, layout.pathBoxTop, 6435, 315));
    frame.readButton =
        Button(box, layout.readName, "...", Twips(8280, layout.pathBoxTop, 375, 285));
    // The button stands over the box's right end: the text keeps clear of it.
    const int covered = frame.pathBox->geometry().right() - frame.readButton->geometry().left() + 1;
    frame.pathBox->setTextMargins(0, 0, std::max(covered, 0), 0);
    return frame;
}

void MainWindow::BuildControls() {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromUtf8(kWindowTitle));
    setFixedSize(Pixels(10110), Pixels(10005));

    // Drawn beneath the frames it overlaps, and never in the way of a click.
    CompactLabel* progressLabel = Label(this, "lblpbar", "", Twips(420, 6720, 9225, 1365));
    progressLabel->setAttribute(Qt::WA_TransparentForMouseEvents);

    // Captions, rates and cut-off come from the rate profile (ShowRateProfile).
    chk17_ = CheckBox(this, "Chk17", "", Twips(480, 210, 2895, 345));
    chk11_ = CheckBox(this, "Chk11", "", Twips(4650, 210, 2895, 345));
    Label(this, "Label2", "检测税率：", Twips(690, 330, 900, 180))->hide();
    txtOld_ = TextBox(this, "txtOld", "", Twips(1680, 300, 855, 315));
    txtOld_->hide();
    Label(this, "Label5", "调整税率：", Twips(3030, 330, 900, 180))->hide();
    txtNew_ = TextBox(this, "txtNew", "", Twips(4050, 300, 855, 315));
    txtNew_->hide();

    QGroupBox* masterData = Frame(this, "Frame1", "基础资料", Twips(420, 690, 9225, 825));
    chkItem_ = CheckBox(masterData, "chkItem", "物料", Twips(330, 300, 1995, 345));
    chkCust_ = CheckBox(masterData, "chkCust", "客户", Twips(3300, 300, 1995, 345));
    chkSupply_ = CheckBox(masterData, "chkSupply", "供应商", Twips(6270, 300, 1995, 345));

    QGroupBox* rule = Frame(this, "Frame2", "调整规则", Twips(420, 1515, 9225, 1245));
    optAmount_ = Place(new QRadioButton(QString::fromUtf8("含税单价不变，调整税率后重算不含税单价、"
                                                          "不含税金额、税额及折扣额"),
                                        rule),
                       "OptAmount", Twips(420, 300, 6345, 255));
    optPrice_ = Place(new QRadioButton(QString::fromUtf8("不含税单价不变，调整税率后重算含税单价，"
                                                         "价税合计、税额及折扣额"),
                                       rule),
                      "OptPrice", Twips(420, 690, 6345, 255));
    optAmount_->setChecked(true);

    po_ = BuildDocumentFrame({"framPO", "采购订单", 2760, "cmdPO", "引出采购订单", "Label4", 5670,
                              "Label7", 900, "txtPOFile", 840, "cmdPORead"});
    so_ = BuildDocumentFrame({"framSO", "销售订单", 4110, "cmdSO", "引出销售订单", "Label3", 5670,
                              "Label1", 870, "txtSOFile", 810, "cmdSORead"});
    htyf_ = BuildDocumentFrame({"framHTYF", "合同(应付)", 5475, "cmdHTYF", "引出合同(应付)",
                                "Label8", 6750, "Label6", 900, "txtHTYFFile", 840, "cmdHTYFRead"});
    htys_ = BuildDocumentFrame({"framHTYS", "合同(应收)", 6840, "cmdHTYS", "引出合同(应收)",
                                "Label10", 6750, "Label9", 900, "txtHYSFFile", 840, "cmdHTYSRead"});

    CompactLabel* notes = Label(this, "Label11", kNotes, Twips(390, 8370, 7125, 915));
    notes->setWordWrap(true);
    QPalette red = notes->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    notes->setPalette(red);

    command1_ = Button(this, "Command1", "一键调整交易星垣(&M)", Twips(3870, 9510, 2505, 375));
    command1_->hide();
    cmdFix_ = Button(this, "cmdFix", "一键调整(&M)", Twips(6870, 9510, 1275, 375));
    cmdFix_->setEnabled(false);
    // In the free space left of cmdFix, over the hidden Command1; enabled with cmdFix.
    cmdPreview_ = Button(this, "cmdPreview", "预览(&P)", Twips(5460, 9510, 1275, 375));
    cmdPreview_->setEnabled(false);
    cmdCancel_ = Button(this, "cmdCancel", "退出(&X)", Twips(8400, 9510, 1095, 375));

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(500);
    timer1_->setSingleShot(true);
}

void MainWindow::SetTabOrder() {
    // Labels and frames take no focus; the rest follows the window's order.
    QWidget* const order[] = {
        chk17_,
        chk11_,
        findChild<QLineEdit*>(QStringLiteral("txtOld")),
        findChild<QLineEdit*>(QStringLiteral("txtNew")),
        cmdCancel_,
        cmdFix_,
        cmdPreview_,
        so_.readButton,
        so_.exportButton,
        so_.pathBox,
        po_.exportButton,
        po_.readButton,
        po_.pathBox,
        chkSupply_,
        chkCust_,
        chkItem_,
        htyf_.readButton,
        htyf_.exportButton,
        htyf_.pathBox,
        htys_.readButton,
        htys_.exportButton,
        htys_.pathBox,
        command1_,
        optPrice_,
        optAmount_,
    };
    for (size_t i = 1; i < std::size(order); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

}  // namespace q9::app
