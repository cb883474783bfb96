// One running copy per user: the hand-over in one process, and the real
// program started twice.
#include <QLocalSocket>
#include <QProcess>
#include <QTest>
#include <QWidget>

#include "single_instance.h"

using ndr::SingleInstance;

class InstanceTest : public QObject {
  Q_OBJECT

 private slots:
  void aSecondCopyWakesTheFirst() {
    const QString name = "ndr_Desk-test-" + QString::number(QCoreApplication::applicationPid());
    SingleInstance first(name);
    QVERIFY(!first.ActivatePrevInstance());  // nobody there yet
    QVERIFY(first.Listen());

    QWidget window;
    window.showMinimized();
    QObject::connect(&first, &SingleInstance::activationRequested, &window, [&window] {
      window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
      window.show();
    });

    // A connection that asks nothing is no request.
    QLocalSocket probe;
    probe.connectToServer(name);
    QVERIFY(probe.waitForConnected(2000));
    probe.disconnectFromServer();
    QTest::qWait(100);
    QVERIFY(window.isMinimized());

    SingleInstance second(name);
    QVERIFY(second.ActivatePrevInstance());
    QTRY_VERIFY(!window.isMinimized());
  }

  void theProgramRunsOnce() {
    QProcess first;
    first.setProgram(NDR_DESK_PROGRAM);
    first.setProcessChannelMode(QProcess::ForwardedChannels);
    first.start();
    QVERIFY(first.waitForStarted(10000));
    // Ready once it answers on its socket.
    const auto answers = [] {
      QLocalSocket probe;
      probe.connectToServer(SingleInstance::UserInstanceName());
      return probe.waitForConnected(200);
    };
    QTRY_VERIFY_WITH_TIMEOUT(answers(), 30000);

    QProcess second;
    second.setProgram(NDR_DESK_PROGRAM);
    second.start();
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);

    first.terminate();
    if (!first.waitForFinished(10000)) {
      first.kill();
      first.waitForFinished(10000);
    }
  }
};

QTEST_MAIN(InstanceTest)
#include "ui_instance_test.moc"
