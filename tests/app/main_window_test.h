#pragma once

#include <QObject>

namespace q9::app::test {

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void controlsStandAsDesigned();
    void tabOrderFollowsTheWindow();
    void accessKeysMarkTheButtons();
    void rateBoxesEnableTheAdjustButton();
    void widgetsReachTheCoreAsPlainState();
    void discountRefusesOrderWorkbooksOnly();
    void readButtonsFillTheirOwnBox();
    void switchesComeFromTheSystemProfile();
    void backupTablesCreatedOnceAndLeftAlone();
    void refusedLoginDisablesTheFramesAndCloses();
    void startupFailureShowsNumberAndDescription();
    void missingAccountFileIsRefusedAsOnTheCommandLine();
    void rejectedBackupBatchIsShown();
    void exportButtonsReachTheExporter();
    void fixAsksThenRunsAndReports();
    void previewThenRunThenUndoInTheGrid();
    void gridNeverSavesOverTheAccount();
    void noSecondRunWhileOneIsInProgress();
    void closeAskedInTheProgressDialogHappensAfterTheGrid();
    void pathBoxTextStaysClearOfItsButton();
    void hiddenCommand1RunsWithoutQuestion();
    void closingReleasesTheRecordset();
    void debugLogFailureIsShown();
    void saveChoiceSplitsIntoFolderAndName();
};

}  // namespace q9::app::test
