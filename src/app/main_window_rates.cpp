#include <array>

#include "main_window.h"

namespace q9::app {

namespace {

constexpr const char* kChangeCaption = "税率%1%调整到%2%";
constexpr const char* kOrderCondition = "条件：开票数量=0，税率为检测税率的明细，并且单据日期<%1";
constexpr const char* kContractCondition =
    "条件：折扣=0，发票关联数量=0，税率为检测税率的明细，并且单据日期<%1";

}  // namespace

// The rate boxes name the profile's changes (a box without a change is hidden and never ticked),
// the hidden rate fields hold its first change and the condition labels its cut-off.
void MainWindow::ShowRateProfile() {
    Texts& texts = session_->texts();
    const RateProfile& profile = state_.rateProfile;
    const std::array<QCheckBox*, 2> boxes = {chk17_, chk11_};
    for (size_t i = 0; i < boxes.size(); ++i) {
        const bool used = i < profile.changes.size();
        boxes[i]->setVisible(used);
        if (!used) {
            boxes[i]->setChecked(false);
            continue;
        }
        const RateChange& change = profile.changes[i];
        boxes[i]->setText(QString::fromStdString(
            texts.FormatText(kChangeCaption, {change.oldRate.Text(), change.newRate.Text()})));
    }
    txtOld_->setText(QString::fromStdString(profile.changes.front().oldRate.Text()));
    txtNew_->setText(QString::fromStdString(profile.changes.front().newRate.Text()));
    const std::string orders = texts.FormatText(kOrderCondition, {profile.CutoffDate()});
    const std::string contracts = texts.FormatText(kContractCondition, {profile.CutoffDate()});
    po_.conditionLabel->setText(QString::fromStdString(orders));
    so_.conditionLabel->setText(QString::fromStdString(orders));
    htyf_.conditionLabel->setText(QString::fromStdString(contracts));
    htys_.conditionLabel->setText(QString::fromStdString(contracts));
}

}  // namespace q9::app
