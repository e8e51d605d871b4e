#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "host/ports.h"

namespace q9::app {

// The common file dialog: one filter for workbooks, the folder of the last choice remembered.
class QtFileChooser : public FileChooser {
  public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    std::string ChooseOpenFile() override;
    std::string ChooseSavePath() override;

  private:
    QPointer<QWidget> parent_;
    QString lastDirectory_;
};

// "xls (*.xls *.xlsx)": one entry, description "xls".
inline constexpr const char* kWorkbookFilter = "xls (*.xls *.xlsx)";

}  // namespace q9::app
