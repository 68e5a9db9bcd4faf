#include <QTest>
class RunDialogsTest : public QObject { Q_OBJECT private slots: void runCommandFollowsTheLocale(){} };
QTEST_MAIN(RunDialogsTest)
#include "run_dialogs_test.moc"
