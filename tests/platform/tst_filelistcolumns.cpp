// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileListColumns.h"
#include "solardate/SolarCalendar.h"

#include <QFileSystemModel>
#include <QtTest>

// The file dialogs' columns read in Persian units, names and the solar calendar.
class TestFileListColumns : public QObject
{
    Q_OBJECT

private slots:
    void sizes_data();
    void sizes();
    void columnsOfAFolder();
};

void TestFileListColumns::sizes_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("empty") << qint64(0) << QStringLiteral("0 بايت");
    QTest::newRow("bytes") << qint64(1023) << QStringLiteral("1023 بايت");
    QTest::newRow("a kilobyte and a half") << qint64(1536) << QStringLiteral("1.5 کيلوبايت");
    QTest::newRow("a job file") << qint64(120 * 1024 + 300) << QStringLiteral("120 کيلوبايت");
    QTest::newRow("a big shop") << qint64(3 * 1024 * 1024 / 2) << QStringLiteral("1.5 مگابايت");
    QTest::newRow("gigabytes") << qint64(5) * 1024 * 1024 * 1024 << QStringLiteral("5.0 گيگابايت");
}

void TestFileListColumns::sizes()
{
    QFETCH(qint64, bytes);
    QTEST(FileListColumns::sizeText(bytes), "shown");
}

void TestFileListColumns::columnsOfAFolder()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("backups")));
    const QDateTime made(QDate(2026, 12, 9), QTime(15, 30)); // 1405/09/18
    for (const QString name : {QStringLiteral("db1.mdb"), QStringLiteral("note.TXT"), QStringLiteral("plain")}) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1536, 'x'));
        file.flush();
        QVERIFY(file.setFileTime(made, QFileDevice::FileModificationTime));
    }
    QFileSystemModel files;
    FileListColumns columns;
    columns.setSourceModel(&files);
    const QModelIndex root = columns.mapFromSource(files.setRootPath(dir.path()));
    QTRY_COMPARE(columns.rowCount(root), 4);
    QMap<QString, QStringList> shown;
    for (int row = 0; row < 4; ++row) {
        QStringList cells;
        for (int column = 1; column < 4; ++column)
            cells << columns.index(row, column, root).data().toString();
        shown[columns.index(row, 0, root).data().toString()] = cells;
    }
    const QString when = QStringLiteral("1405/09/18 15:30");
    QCOMPARE(shown.value(QStringLiteral("db1.mdb")),
             (QStringList{QStringLiteral("1.5 کيلوبايت"), QStringLiteral("فايل اطلاعات"), when}));
    QCOMPARE(shown.value(QStringLiteral("note.TXT")),
             (QStringList{QStringLiteral("1.5 کيلوبايت"), QStringLiteral("فايل txt"), when}));
    QCOMPARE(shown.value(QStringLiteral("plain")).mid(0, 2),
             (QStringList{QStringLiteral("1.5 کيلوبايت"), QStringLiteral("فايل")}));
    QCOMPARE(shown.value(QStringLiteral("backups")).mid(0, 2), (QStringList{QString(), QStringLiteral("پوشه")}));
}

QTEST_MAIN(TestFileListColumns)
#include "tst_filelistcolumns.moc"
