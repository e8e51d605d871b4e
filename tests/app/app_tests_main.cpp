// The window's tests: several QTest classes in one executable.
#include <QApplication>
#include <QTest>

#include "app_look.h"
#include "main_window_test.h"
#include "qt_services_test.h"
#include "result_grid_test.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    q9::app::ApplyLook(application);
    int failures = 0;
    {
        q9::app::test::MainWindowTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        q9::app::test::ResultGridTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        q9::app::test::QtServicesTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
