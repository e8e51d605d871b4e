#pragma once

#include <QObject>

namespace q9::app::test {

// The result grid, the CSV of it and the window's command line.
class ResultGridTest : public QObject {
    Q_OBJECT

  private slots:
    void displayTextsSplitIntoColumns();
    void displayCollectsTheRunsSettings();
    void gridShowsTitlesAndRowsAndCopiesSelection();
    void gridSavesCsvWithQuoting();
    void gridCsvKeepsFormulasAsText();
    void gridFitsItsColumnsWithoutScrollingSideways();
    void commandLineOptions();
};

}  // namespace q9::app::test
