// Texts and paths crossing between the core and Qt.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "core_text.h"
#include "platform.h"

using ndr::DrivePathFromNative;

class TextTest : public QObject {
  Q_OBJECT

 private slots:
  void eightBitAndUtf8TextsKeepEveryCharacter() {
    QCOMPARE(ndr::FromCore("N\xB0 "), QStringLiteral("N\u00B0 "));  // a lone 8-bit byte
#ifndef _WIN32
    QCOMPARE(ndr::FromCore("Caf\xC3\xA9"), QStringLiteral("Caf\u00E9"));  // UTF-8 file name
#endif
    QCOMPARE(ndr::FromCore(std::string("a\0b", 3)).size(), 3);
  }

#ifndef _WIN32
  void drivesFolderSpellings() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString drives = dir.path() + "/drives";
    QVERIFY(QDir().mkpath(drives + "/p:/Diverido"));
    QVERIFY(QDir().mkpath(dir.path() + "/real-q/Mail"));
    // A drive that is a link to a folder elsewhere, as Wine lays them out.
    QVERIFY(QFile::link(dir.path() + "/real-q", drives + "/q:"));

    QCOMPARE(DrivePathFromNative(drives + "/p:/Diverido/x.cnm", drives),
             std::string("P:\\Diverido\\x.cnm"));
    QCOMPARE(DrivePathFromNative(drives + "//p:/./Diverido/../Diverido/x.cnm", drives + "/"),
             std::string("P:\\Diverido\\x.cnm"));
    QCOMPARE(DrivePathFromNative(dir.path() + "/real-q/Mail/b.cnm", drives),
             std::string("Q:\\Mail\\b.cnm"));
    // Outside the drives: the same path with backslashes, no drive invented.
    QCOMPARE(DrivePathFromNative("/elsewhere/p:/x.cnm", drives),
             std::string("\\elsewhere\\p:\\x.cnm"));
    QString notADrive = drives + "/pq:/x";
    const std::string expected = notADrive.replace('/', '\\').toStdString();
    QCOMPARE(DrivePathFromNative(drives + "/pq:/x", drives), expected);
  }
#endif
};

QTEST_MAIN(TextTest)
#include "ui_text_test.moc"
