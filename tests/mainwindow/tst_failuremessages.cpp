// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/Form1.h"
#include "platform/BidiText.h"
#include "platform/ErrorLog.h"
#include "reminders/warning.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

#include <QRegularExpression>
#include <QtTest>

// What the clerk reads when storage fails: a Persian sentence whose paths and numbers are isolated,
// while the driver's own words go to standard error and velmora.log.
class TestFailureMessages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void messageIsPersianAndDetailIsLogged_data();
    void messageIsPersianAndDetailIsLogged();
    void logIsRotatedAtOneMegabyte();
};

enum class Failure { DueListQuery, DeleteQuery, RestoreBadFile };
Q_DECLARE_METATYPE(Failure)

void TestFailureMessages::messageIsPersianAndDetailIsLogged_data()
{
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QString>("driverText"); // a part of the detail that must stay out of the box
    QTest::newRow("due list query") << Failure::DueListQuery << "no such table";
    QTest::newRow("delete query") << Failure::DeleteQuery << "no such table";
    QTest::newRow("restore of a text file") << Failure::RestoreBadFile << "";
}

void TestFailureMessages::messageIsPersianAndDetailIsLogged()
{
    QFETCH(Failure, failure);
    QFETCH(QString, driverText);
    TempJobFolder folder;
    folder.addJobs(1, 3);
    QTemporaryDir elsewhere;
    QString path; // the file the message must name
    Seams seams;
    {
        Form1 form;
        switch (failure) {
        case Failure::DueListQuery: {
            folder.value(QStringLiteral("drop table table1"));
            warning window(&form);
            QTRY_COMPARE(seams.messages.size(), 1);
            break;
        }
        case Failure::DeleteQuery:
            folder.value(QStringLiteral("drop table table1"));
            seams.answers << MessageBox::Answer::Yes;
            form.deleteCurrent();
            break;
        case Failure::RestoreBadFile: {
            path = elsewhere.filePath(QStringLiteral("my backup (2).mdb"));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("just some text\n");
            file.close();
            seams.fileNames << path;
            form.restoreCommand();
            break;
        }
        }
    }
    const QList<MessageBox::Request> shown =
        failure == Failure::DeleteQuery ? seams.messages.mid(1) : seams.messages; // after the question
    QCOMPARE(shown.size(), 1);
    const QString text = shown.first().text;
    if (!path.isEmpty())
        QVERIFY2(text.contains(isolated(QDir::toNativeSeparators(path))), qPrintable(text));
    // Outside its isolates the sentence holds no Latin letter: no driver text, no bare path.
    QString sentence = text;
    sentence.remove(QRegularExpression(QStringLiteral("\u2066[^\u2069]*\u2069")));
    QVERIFY2(!sentence.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))), qPrintable(text));
    QVERIFY(hasRightToLeftLetter(sentence));

    QFile log(ErrorLog::filePath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    const qsizetype bar = lines.first().indexOf(QStringLiteral(" | "));
    QVERIFY2(bar > 0 && bar + 3 < lines.first().size(), qPrintable(lines.first())); // the detail is there
    QVERIFY(lines.first().mid(bar).contains(driverText));
}

void TestFailureMessages::logIsRotatedAtOneMegabyte()
{
    TempJobFolder folder;
    const QString path = ErrorLog::filePath();
    const QByteArray filler(ErrorLog::RotateAtBytes - 10, 'x');
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(filler);
    file.close();

    ErrorLog::record(QStringLiteral("فايل ذخيره نشد."), QStringLiteral("disk full"));
    QCOMPARE(QFileInfo(path + QStringLiteral(".1")).size(), filler.size());
    QVERIFY(QFileInfo(path).size() < 200);
    ErrorLog::record(QStringLiteral("فايل ذخيره نشد."), QStringLiteral("disk full"));
    QCOMPARE(QFileInfo(path + QStringLiteral(".1")).size(), filler.size()); // a small log grows on
    QVERIFY(QFileInfo(path).size() < 400);
}

QTEST_MAIN(TestFailureMessages)
#include "tst_failuremessages.moc"
