#pragma once

#include <QObject>

namespace q9::app::test {

// The Qt implementations of the window's platform services.
class QtServicesTest : public QObject {
    Q_OBJECT

  private slots:
    void questionBoxIsExact();
    void okBoxAndNoticeCarryTheToolsTitle();
    void progressShowsKindAndRow();
    void loginOffersTheDemoAccountFirst();
    void progressDialogStandsOverTheWindowDuringARun();
    void qtDialogsSpeakTheSessionLanguage_data();
    void qtDialogsSpeakTheSessionLanguage();
    void noticesAreWideEnoughForTheirTitle();
    void loginAsksAPasswordOnlyWhereNothingElseGivesOne();
    void loginOffersTheLastAccountFirst();
    void loginChoosesTheRateProfileAndTheAccountRemembersIt();
    void openDialogTakesSeveralWorkbooksForOnePathBox();
};

}  // namespace q9::app::test
