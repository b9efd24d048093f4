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
    void columnsOfAFolder();
};

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
