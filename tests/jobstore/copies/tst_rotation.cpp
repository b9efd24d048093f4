// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/ProgramValues.h"
#include "jobstore/copies/CopyPlaces.h"
#include "jobstore/copies/ExitCopy.h"
#include "jobstore/copies/SafeWrite.h"
#include "support/PrivateHome.h"

#include <QtTest>

#include <algorithm>

// Which earlier copies the rotation keeps, by the dates their names carry, and which files the
// start's clean-up may remove: only what a stopped copy left half-written.
class TestRotation : public QObject
{
    Q_OBJECT

private slots:
    void retentionSchedule_data();
    void retentionSchedule();
    void stampsReadFromNames_data();
    void stampsReadFromNames();
    void onlyHalfWrittenCopiesAreRemoved();
    void keptAsideNeverOverwrites();
};

void TestRotation::retentionSchedule_data()
{
    QTest::addColumn<QList<QDateTime>>("made");
    QTest::addColumn<QList<int>>("dropped"); // indexes into made
    const QDateTime now(QDate(2026, 12, 9), QTime(23, 30));
    const auto every = [now](int count, qint64 seconds) {
        QList<QDateTime> made;
        for (int i = 0; i < count; ++i)
            made << now.addSecs(-i * seconds);
        return made;
    };
    const auto indexes = [](int from, int to) {
        QList<int> list;
        for (int i = from; i <= to; ++i)
            list << i;
        return list;
    };
    const qint64 hour = 3600, day = 24 * hour;
    QTest::newRow("thirty or fewer") << every(30, day) << QList<int>();
    // The thirty-first of one a day is 30 days old and not the newest of its month.
    QTest::newRow("one a day for 31 days") << every(31, day) << QList<int>{30};
    QTest::newRow("forty in one evening") << every(40, 600) << indexes(30, 39);
    // The newest of 12-08 is among the newest thirty; the newest of 12-07 is kept besides.
    QTest::newRow("every hour for three days") << every(72, hour) << indexes(30, 47) + indexes(49, 71);
    // Thirty exits this evening, then one a month back two years: the eleven months before this one stay.
    QList<QDateTime> monthly = every(30, 60);
    for (int month = 1; month <= 24; ++month)
        monthly << QDateTime(QDate(2026, 12, 5).addMonths(-month), QTime(12, 0));
    QTest::newRow("monthly for two years") << monthly << indexes(41, 53);
}

void TestRotation::retentionSchedule()
{
    QFETCH(QList<QDateTime>, made);
    QFETCH(QList<int>, dropped);
    QList<DatabaseCopies::Copy> copies;
    for (qsizetype i = 0; i < made.size(); ++i)
        copies << DatabaseCopies::Copy{QString::number(i), made.at(i)};
    QStringList expected;
    for (int index : dropped)
        expected << QString::number(index);
    QStringList actual = DatabaseCopies::prunable(copies, QDateTime(QDate(2026, 12, 9), QTime(23, 30)));
    const auto byNumber = [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); };
    std::sort(actual.begin(), actual.end(), byNumber);
    QCOMPARE(actual, expected);
}

void TestRotation::stampsReadFromNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QDateTime>("made"); // invalid: not a copy the rotation named, so never dropped
    const QDateTime solarDay(QDate(2026, 12, 9), QTime(15, 30));
    QTest::newRow("solar") << "db1-14050918-153000.mdb" << solarDay;
    QTest::newRow("solar, second of the minute, compressed") << "db1-14050918-153000-2.mdb.zst" << solarDay;
    QTest::newRow("Gregorian, from before the solar names")
        << "db1-20240131-090000.mdb.zst" << QDateTime(QDate(2024, 1, 31), QTime(9, 0));
    QTest::newRow("Esfand 30 of a leap year")
        << "db1-14031230-000000.mdb" << QDateTime(QDate(2025, 3, 20), QTime(0, 0));
    QTest::newRow("the exit copy itself") << "db1.mdb" << QDateTime();
    QTest::newRow("a backup the clerk named") << "db1-backup-14050918-2208.mdb" << QDateTime();
    QTest::newRow("another database's copy") << "shop-14050918-153000.mdb" << QDateTime();
    QTest::newRow("a thirteenth month") << "db1-14051318-153000.mdb" << QDateTime();
    QTest::newRow("Esfand 30 of a common year") << "db1-14041230-000000.mdb" << QDateTime();
    QTest::newRow("an hour past the day") << "db1-14050918-253000.mdb" << QDateTime();
    QTest::newRow("half-written") << "db1-14050918-153000.mdb.zst.partial" << QDateTime();
}

void TestRotation::stampsReadFromNames()
{
    QFETCH(QString, name);
    QFETCH(QDateTime, made);
    const std::optional<QDateTime> read = DatabaseCopies::rotationStamp(name);
    QCOMPARE(read.has_value(), made.isValid());
    if (read)
        QCOMPARE(*read, made);
    // A name the rotation gives reads back as the time it was given for.
    const QDateTime now(QDate(2026, 3, 20), QTime(23, 59, 58));
    QCOMPARE(DatabaseCopies::rotationStamp(QStringLiteral("db1-%1.mdb").arg(DatabaseCopies::solarStamp(now))), now);
}

void TestRotation::onlyHalfWrittenCopiesAreRemoved()
{
    PrivateHome home;
    QTemporaryDir data, elsewhere;
    Program::setDataFolder(data.path());
    const auto make = [](const QString &path, int minutesOld = 0) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("jobs") == 4 && file.flush());
        if (minutesOld > 0)
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-60 * minutesOld),
                                     QFileDevice::FileModificationTime));
    };
    const QDir dataDir(data.path());
    const QDir copies = QFileInfo(DatabaseCopies::exitCopyPath()).dir();
    const QDir backups(DatabaseCopies::exitCopyBackupsFolder());
    const QStringList kept = {dataDir.filePath(QStringLiteral("db1.mdb")), dataDir.filePath(QStringLiteral("edit.txt")),
                              copies.filePath(QStringLiteral("db1.mdb")),
                              // another data folder may be writing these right now
                              copies.filePath(QStringLiteral("db1.mdb.partial")),
                              backups.filePath(QStringLiteral("db1-14050918-153000.mdb.zst.partial")),
                              backups.filePath(QStringLiteral("db1-14050918-153000.mdb.zst")),
                              elsewhere.filePath(QStringLiteral("chosen.mdb"))};
    const QStringList removed = {dataDir.filePath(QStringLiteral("db1.mdb.partial")),
                                 dataDir.filePath(QStringLiteral("db1.mdb.restoring")),
                                 dataDir.filePath(QStringLiteral("db1.mdb.replaced")),
                                 dataDir.filePath(QStringLiteral("db1.mdb.expanding-journal")),
                                 elsewhere.filePath(QStringLiteral("chosen.mdb.partial")),
                                 elsewhere.filePath(QStringLiteral("chosen.mdb.partial-journal")),
                                 copies.filePath(QStringLiteral("shop.mdb.partial")),
                                 backups.filePath(QStringLiteral("db1-14050801-090000.mdb.zst.partial"))};
    for (const QString &path : kept)
        make(path);
    for (const QString &path : removed)
        make(path, path.startsWith(data.path()) || path.startsWith(elsewhere.path()) ? 0 : 20);
    DatabaseCopies::writeUnfinishedCopies({elsewhere.filePath(QStringLiteral("chosen.mdb.partial"))});

    QCOMPARE(DatabaseCopies::removeStalePartialCopies(), int(removed.size()));
    for (const QString &path : kept)
        QVERIFY2(QFile::exists(path), qPrintable(path));
    for (const QString &path : removed)
        QVERIFY2(!QFile::exists(path), qPrintable(path));
    QCOMPARE(DatabaseCopies::unfinishedCopies(), QStringList());
    Program::setDataFolder(QString());
}

void TestRotation::keptAsideNeverOverwrites()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("db1.mdb"));
    QString aside, second, why;
    QVERIFY(DatabaseCopies::keepAside(file, &aside, &why)); // nothing to keep
    QVERIFY(aside.isEmpty());
    for (const QByteArray &bytes : {QByteArray("first"), QByteArray("second")}) {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.flush());
        QVERIFY(out.setFileTime(QDateTime(QDate(2026, 12, 9), QTime(8, 0)), QFileDevice::FileModificationTime));
        out.close();
        QVERIFY2(DatabaseCopies::keepAside(file, aside.isEmpty() ? &aside : &second, &why), qPrintable(why));
        QVERIFY(QFile::remove(file));
    }
    QCOMPARE(QFileInfo(aside).fileName(), QStringLiteral("db1-14050918-080000.mdb"));
    QCOMPARE(QFileInfo(second).fileName(), QStringLiteral("db1-14050918-080000-2.mdb"));
    QFile first(aside), next(second);
    QVERIFY(first.open(QIODevice::ReadOnly) && next.open(QIODevice::ReadOnly));
    QCOMPARE(first.readAll(), QByteArray("first"));
    QCOMPARE(next.readAll(), QByteArray("second"));
}

QTEST_GUILESS_MAIN(TestRotation)
#include "tst_rotation.moc"
