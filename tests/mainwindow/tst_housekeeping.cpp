// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/Adodc.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/copies/CompressedCopy.h"
#include "jobstore/file/JobDatabase.h"
#include "mainwindow/DatabaseCopies.h"
#include "mainwindow/Form1.h"
#include "mainwindow/ProgramEnd.h"
#include "platform/BackgroundWork.h"
#include "platform/DataGrid.h"
#include "solardate/Clock.h"
#include "solardate/Shamsi.h"
#include "support/PrivateHome.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"
#include "support/TornFile.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSystemTrayIcon>
#include <QtTest>

class TestHousekeeping : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void dueTodayCount_data();
    void dueTodayCount();
    void clockShowsTimeDateAndWeekday();
    void unknownWeekdayLeavesTheLabelEmpty();
    void dayChangeRefreshesTheDate();
    void countFollowsANewJob();

    void backupOffersANameOfItsOwnAndKeepsWhatItReplaces();
    void cancelledDialogsDoNothing();
    void restoreChecksTheNameAndTheContents();
    void restoreReplacesTheDatabaseAndKeepsASafetyCopy();
    void restoreReadsACompressedCopy_data();
    void cancelLeavesEverythingAsItWas_data();
    void cancelLeavesEverythingAsItWas();
    void restoreReadsACompressedCopy();
    void exitCopyGoesToTheDocumentsFolder();
    void exitCopyNeverPushesOutTheJobs_data();
    void exitCopyNeverPushesOutTheJobs();
    void exitCopyIsMadeOncePerChange_data();
    void exitCopyIsMadeOncePerChange();
    void rotationKeepsTheNewestThirty();
    void aNewDatabaseNeverPushesOutAnothersCopies();
    void startOffersTheNewestCopy_data();
    void startOffersTheNewestCopy();
    void startOffersItsOwnDatabasesCopyFirst_data();
    void startOffersItsOwnDatabasesCopyFirst();
    void exitCopyPlaceAlwaysHoldsAWholeCopy();
    void countTickSkipsABusyFile();
    void listIsReadAfterTheExitCopy();
    void hideWithoutATrayMinimises();

private:
    PrivateHome m_home;
};

namespace
{
const QString captionOf(int count)
{
    return QStringLiteral(" تحويل امروز:  %1 مورد").arg(count);
}

QPushButton *button(Form1 &form, const char *name)
{
    return form.findChild<QPushButton *>(QString::fromLatin1(name));
}

QString makeJobDatabase(const QString &path, int jobs)
{
    JobDatabase::ensure(path);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
    db.setDatabaseName(path);
    db.open();
    for (int n = 1; n <= jobs; ++n)
        QSqlQuery(db).exec(QStringLiteral("insert into table1 (num, name) values (%1, 'restored')").arg(n));
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    return path;
}

// The jobs of a copy in either form, as a restore reads them.
qint64 jobsIn(const QString &path)
{
    if (!CompressedCopy::isCompressed(path))
        return JobDatabase::jobCount(path);
    QTemporaryDir dir;
    const QString expanded = dir.filePath(QStringLiteral("expanded.mdb"));
    return CompressedCopy::expand(path, expanded) ? JobDatabase::jobCount(expanded) : -1;
}

void freshExitCopyFolder()
{
    QDir(QFileInfo(DatabaseCopies::exitCopyPath()).absolutePath()).removeRecursively();
    QDir().mkpath(DatabaseCopies::exitCopyBackupsFolder());
}

void writeFile(const QString &path, const QDateTime &modified = QDateTime::currentDateTime())
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("x");
    file.flush();
    file.setFileTime(modified, QFileDevice::FileModificationTime);
}
} // namespace

void TestHousekeeping::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(DatabaseCopies::exitCopyPath().startsWith(m_home.dir.path()));
}

void TestHousekeeping::cleanup()
{
    Sorvan::Clock::reset();
}

void TestHousekeeping::dueTodayCount_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QVariant>("dateout");
    QTest::addColumn<QVariant>("status");
    QTest::addColumn<int>("counted");
    const QDate day(2012, 9, 18); // 1391/06/28
    QTest::newRow("due today, under repair")
        << day << QVariant(910628) << QVariant(QStringLiteral("در حال تعمير")) << 1;
    QTest::newRow("due today, delivered") << day << QVariant(910628) << QVariant(QStringLiteral("تحويل شده")) << 0;
    QTest::newRow("due yesterday") << day << QVariant(910627) << QVariant(QStringLiteral("تعمير شده")) << 1;
    QTest::newRow("due tomorrow") << day << QVariant(910629) << QVariant(QStringLiteral("تعمير شده")) << 0;
    QTest::newRow("no status") << day << QVariant(910628) << QVariant() << 0;
    QTest::newRow("no delivery date") << day << QVariant() << QVariant(QStringLiteral("تعمير شده")) << 0;
    // 1400/01/05: the year part is "00", the key 000105, stored as 105.
    QTest::newRow("year 1400") << QDate(2021, 3, 25) << QVariant(105) << QVariant(QStringLiteral("تعمير شده")) << 1;
    // Dates in calendar order across the 1400 new year.
    QTest::newRow("1399 is earlier than 1400")
        << QDate(2021, 3, 25) << QVariant(991229) << QVariant(QStringLiteral("x")) << 1;
    QTest::newRow("1400 is later than 1399") // today 1399/12/29
        << QDate(2021, 3, 19) << QVariant(105) << QVariant(QStringLiteral("x")) << 0;
    QTest::newRow("empty status") << day << QVariant(910628) << QVariant(QStringLiteral("")) << 0;
    QTest::newRow("blank status") << day << QVariant(910628) << QVariant(QStringLiteral("  ")) << 0;
    // Typed on a Persian keyboard: Persian yeh (U+06CC) where the stored texts have Arabic yeh.
    QTest::newRow("delivered, Persian yeh")
        << day << QVariant(910628) << QVariant(QStringLiteral("\u062A\u062D\u0648\u06CC\u0644 \u0634\u062F\u0647"))
        << 0;
    // More than a page: the count comes from the reading thread, and the button shows it.
    QTest::newRow("more due jobs than a page") << day << QVariant(910628) << QVariant(QStringLiteral("x")) << 300;
}

void TestHousekeeping::dueTodayCount()
{
    QFETCH(QDate, today);
    QFETCH(QVariant, dateout);
    QFETCH(QVariant, status);
    QFETCH(int, counted);
    TempJobFolder folder;
    for (int num = 1; num <= std::max(counted, 1); ++num)
        folder.addJob({{"num", num}, {"dateout", dateout}, {"status", status}});
    Sorvan::Clock::setNow(QDateTime(today, QTime(10, 0)));
    Seams seams;
    Form1 form;
    // Read once, on the reading thread: a read on the window's thread would be a second refresh.
    int refreshes = 0;
    connect(form.findChild<Adodc *>(QStringLiteral("Adodc2")), &Adodc::refreshed, this, [&refreshes] { ++refreshes; });
    QTRY_COMPARE(button(form, "Command9")->text(), captionOf(counted));
    QCOMPARE(refreshes, 1);
}

void TestHousekeeping::clockShowsTimeDateAndWeekday()
{
    TempJobFolder folder;
    Sorvan::Clock::setNow(QDateTime(QDate(2004, 10, 9), QTime(9, 41))); // Saturday, 1383/07/18
    Seams seams;
    Form1 form;
    auto *l5 = form.findChild<QLabel *>(QStringLiteral("l5"));
    auto *l6 = form.findChild<QLabel *>(QStringLiteral("l6"));
    auto *l4 = form.findChild<QLabel *>(QStringLiteral("L4"));
    QTRY_COMPARE(l5->text(), QStringLiteral("1383/07/18"));
    QTRY_COMPARE(l6->text(), QStringLiteral("شنبه"));
    QCOMPARE(l4->text(), QLocale::system().toString(QTime(9, 41), QLocale::ShortFormat));
}

void TestHousekeeping::unknownWeekdayLeavesTheLabelEmpty()
{
    TempJobFolder folder;
    Sorvan::Clock::setNow(QDateTime(QDate(2013, 4, 28), QTime(8, 0))); // Sunday
    Seams seams;
    Form1 form;
    auto *l6 = form.findChild<QLabel *>(QStringLiteral("l6"));
    QTRY_COMPARE(l6->text(), QStringLiteral("يکشنبه"));
    form.shams()->setEmrooz(QStringLiteral("7"));
    QTRY_COMPARE(l6->text(), QString());
}

void TestHousekeeping::dayChangeRefreshesTheDate()
{
    TempJobFolder folder;
    folder.addJob({{"num", 1}, {"dateout", 910629}, {"status", QStringLiteral("در حال تعمير")}});
    Sorvan::Clock::setNow(QDateTime(QDate(2012, 9, 18), QTime(23, 59, 59)));
    Seams seams;
    Form1 form;
    auto *l5 = form.findChild<QLabel *>(QStringLiteral("l5"));
    QTRY_COMPARE(l5->text(), QStringLiteral("1391/06/28"));
    QTRY_COMPARE(button(form, "Command9")->text(), captionOf(0));

    Sorvan::Clock::setNow(QDateTime(QDate(2012, 9, 19), QTime(0, 0, 1)));
    QTRY_COMPARE(l5->text(), QStringLiteral("1391/06/29"));
    QCOMPARE(form.shams()->Rooz(), QStringLiteral("29"));
    QTRY_COMPARE(button(form, "Command9")->text(), captionOf(1));
}

void TestHousekeeping::countFollowsANewJob()
{
    TempJobFolder folder;
    Sorvan::Clock::setNow(QDateTime(QDate(2012, 9, 18), QTime(12, 0)));
    Seams seams;
    Form1 form;
    QTRY_COMPARE(button(form, "Command9")->text(), captionOf(0));
    folder.addJob({{"num", 1}, {"dateout", 910628}, {"status", QStringLiteral("در حال تعمير")}});
    QTRY_COMPARE_WITH_TIMEOUT(button(form, "Command9")->text(), captionOf(1), 2500);
}

void TestHousekeeping::backupOffersANameOfItsOwnAndKeepsWhatItReplaces()
{
    freshExitCopyFolder();
    QDir(QFileInfo(DatabaseCopies::exitCopyPath()).absolutePath()).removeRecursively();
    TempJobFolder folder;
    folder.addJobs(1, 4);
    Sorvan::Clock::setNow(QDateTime(QDate(2026, 12, 9), QTime(15, 30))); // 1405/09/18
    Seams seams;
    Form1 form;

    // The offer is a name of its own in a folder that exists; Enter takes it.
    seams.fileNames << QString();
    button(form, "Command15")->click();
    QCOMPARE(seams.dialogs.size(), 1);
    QCOMPARE(seams.dialogs.first().caption, QStringLiteral("پشتيبان گيري از اطلاعات"));
    const QString offered = seams.dialogs.first().directory;
    QCOMPARE(QFileInfo(offered).fileName(), QStringLiteral("db1-backup-14050918-1530.mdb"));
    QVERIFY(QFileInfo(offered).dir().exists());
    QCOMPARE(QFileInfo(offered).dir(), QFileInfo(DatabaseCopies::exitCopyPath()).dir());

    // Chosen over the exit copy itself, the copy it replaces is kept aside, and the clerk told where.
    makeJobDatabase(DatabaseCopies::exitCopyPath(), 7);
    seams.fileNames << DatabaseCopies::exitCopyPath();
    button(form, "Command15")->click();
    QCOMPARE(JobDatabase::jobCount(DatabaseCopies::exitCopyPath()), 4);
    const QDir backups(DatabaseCopies::exitCopyBackupsFolder());
    const QStringList aside = backups.entryList(QDir::Files);
    QCOMPARE(aside.size(), 1);
    QCOMPARE(JobDatabase::jobCount(backups.filePath(aside.first())), 7);
    QCOMPARE(seams.messages.size(), 1);
    QVERIFY(seams.messages.first().text.contains(aside.first()));

    // A target that cannot be written is reported, not passed over.
    QTemporaryDir elsewhere;
    seams.fileNames << elsewhere.filePath(QStringLiteral("missing/folder/b.mdb"));
    button(form, "Command15")->click();
    QCOMPARE(seams.messages.size(), 2);
    QCOMPARE(seams.messages.last().icon, MessageBox::Icon::Critical);
}

void TestHousekeeping::cancelledDialogsDoNothing()
{
    TempJobFolder folder;
    folder.addJobs(1, 2);
    Seams seams;
    Form1 form;
    const QStringList before = QDir(folder.path()).entryList(QDir::Files);
    button(form, "Command15")->click(); // backup, cancelled
    button(form, "Command12")->click(); // restore, cancelled
    seams.fileNames << QStringLiteral("db1.mdb");
    button(form, "Command15")->click();
    QCOMPARE(seams.dialogs.size(), 3);
    QVERIFY(seams.messages.isEmpty());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), before);
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1")).toInt(), 2);
}

void TestHousekeeping::restoreChecksTheNameAndTheContents()
{
    TempJobFolder folder;
    folder.addJobs(1, 2);
    QTemporaryDir elsewhere;
    const QString capitals = makeJobDatabase(elsewhere.filePath(QStringLiteral("B.MDB")), 5);
    const QString text = elsewhere.filePath(QStringLiteral("x.mdb"));
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("just some text\n");
    file.close();

    Seams seams;
    Form1 form;
    seams.fileNames << capitals << text;
    button(form, "Command12")->click();
    QCOMPARE(seams.dialogs.first().caption, QStringLiteral("Restore Backup"));
    QCOMPARE(seams.dialogs.first().filter, QStringLiteral("mdb(*.mdb *.mdb.zst)"));
    // It opens where the backups and the exit copy are.
    QCOMPARE(QDir(seams.dialogs.first().directory), QFileInfo(DatabaseCopies::exitCopyPath()).dir());
    QVERIFY(seams.messages.isEmpty()); // "MDB" is not "mdb": nothing happens
    button(form, "Command12")->click();
    QCOMPARE(seams.messages.size(), 1);
    QVERIFY(seams.messages.first().text.contains(QStringLiteral("x.mdb")));
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1")).toInt(), 2);
    // Nothing beside the database but the log of why the file was refused.
    const QStringList beside = TempJobFolder::onServer()
                                   ? QStringList{QStringLiteral("velmora.log")}
                                   : QStringList{QStringLiteral("db1.mdb"), QStringLiteral("velmora.log")};
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), beside);
}

void TestHousekeeping::restoreReplacesTheDatabaseAndKeepsASafetyCopy()
{
    TempJobFolder folder;
    folder.addJobs(1, 2);
    QTemporaryDir elsewhere;
    // A name ending in "mdb" without a dot is accepted.
    const QString backup = makeJobDatabase(elsewhere.filePath(QStringLiteral("backupmdb")), 5);

    Sorvan::Clock::setNow(QDateTime(QDate(2026, 12, 9), QTime(15, 30, 12))); // 1405/09/18
    Seams seams;
    Form1 form;
    seams.fileNames << backup;
    button(form, "Command12")->click();
    QCOMPARE(seams.messages.size(), 1);
    QCOMPARE(seams.messages.first().icon, MessageBox::Icon::Information);
    QTRY_COMPARE(form.adodc1()->recordset()->RecordCount(), 5);

    // Named by the solar date, as the backups F6 offers are.
    const QStringList safety = QDir(folder.path()).entryList({QStringLiteral("db1-before-restore-*.mdb")});
    QCOMPARE(safety, QStringList{QStringLiteral("db1-before-restore-14050918-153012.mdb")});
    QVERIFY(seams.messages.first().text.contains(safety.first()));
    QVERIFY(JobDatabase::isJobDatabase(QDir(folder.path()).filePath(safety.first())));
    folder.reconnect();
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1")).toInt(), 5);
    QVERIFY(!QFile::exists(folder.databasePath() + QStringLiteral(".restoring")));
    // The file replaced goes once its blocks are freed.
    QTRY_VERIFY(!QFile::exists(folder.databasePath() + QStringLiteral(".replaced")));
}

void TestHousekeeping::restoreReadsACompressedCopy_data()
{
    QTest::addColumn<qint64>("cutTo"); // bytes of the compressed copy left; 0 for all
    QTest::newRow("whole") << qint64(0);
    QTest::newRow("cut short") << qint64(600);
}

void TestHousekeeping::restoreReadsACompressedCopy()
{
    QFETCH(qint64, cutTo);
    TempJobFolder folder;
    folder.addJobs(1, 2);
    QTemporaryDir elsewhere;
    const QString plain = makeJobDatabase(elsewhere.filePath(QStringLiteral("b.mdb")), 5);
    const QString compressed = plain + QStringLiteral(".zst");
    QString why;
    QVERIFY2(CompressedCopy::compress(plain, compressed, "jobs=5\n", &why), qPrintable(why));
    QVERIFY(QFileInfo(compressed).size() < QFileInfo(plain).size());
    if (cutTo > 0)
        QVERIFY(QFile::resize(compressed, cutTo));

    Seams seams;
    Form1 form;
    seams.fileNames << compressed;
    button(form, "Command12")->click();
    QCOMPARE(seams.messages.size(), 1);
    QVERIFY(!QFile::exists(QDir(folder.path()).filePath(QStringLiteral("db1.mdb.expanding"))));
    if (cutTo > 0) {
        QCOMPARE(seams.messages.first().icon, MessageBox::Icon::Critical);
        QCOMPARE(folder.value(QStringLiteral("select count(*) from table1")).toInt(), 2);
        return;
    }
    QCOMPARE(seams.messages.first().icon, MessageBox::Icon::Information);
    QTRY_COMPARE(form.adodc1()->recordset()->RecordCount(), 5);
    folder.reconnect();
    QCOMPARE(folder.value(QStringLiteral("select sum(num) from table1 where name = 'restored'")).toInt(), 15);
    // The copy expands to the very bytes it was made from (the program writes its own tables in
    // the restored file once it opens it).
    const QString expanded = elsewhere.filePath(QStringLiteral("expanded.mdb"));
    QVERIFY(CompressedCopy::expand(compressed, expanded));
    QFile original(plain), back(expanded);
    QVERIFY(original.open(QIODevice::ReadOnly) && back.open(QIODevice::ReadOnly));
    QVERIFY(original.readAll() == back.readAll());
}

void TestHousekeeping::cancelLeavesEverythingAsItWas_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("step");  // the progress dialog's label when Cancel is pressed
    QTest::addColumn<QString>("where"); // "file" or "server" for a step of one database's alone
    QTest::newRow("backup") << QStringLiteral("Command15") << QStringLiteral("پشتيبان نوشته مي شود...")
                            << QStringLiteral("both");
    QTest::newRow("restore, reading the backup")
        << QStringLiteral("Command12") << QStringLiteral("فايل پشتيبان خوانده مي شود...") << QStringLiteral("file");
    QTest::newRow("restore, the safety copy")
        << QStringLiteral("Command12") << QStringLiteral("نسخه ايمني از اطلاعات فعلي نگه داشته مي شود...")
        << QStringLiteral("server");
    // Everything written but the last step: the server takes it back.
    QTest::newRow("restore, the jobs written on the server")
        << QStringLiteral("Command12") << QStringLiteral("کارهاي فايل پشتيبان روي سرور نوشته مي شود...")
        << QStringLiteral("server");
}

void TestHousekeeping::cancelLeavesEverythingAsItWas()
{
    QFETCH(QString, button);
    QFETCH(QString, step);
    QFETCH(QString, where);
    if (where != QLatin1String(TempJobFolder::onServer() ? "server" : "file") && where != QLatin1String("both"))
        QSKIP("a step of the other database's");
    TempJobFolder folder;
    folder.addJobs(1, 2);
    QTemporaryDir elsewhere;
    const QString chosen = elsewhere.filePath(QStringLiteral("b.mdb"));
    if (button == QLatin1String("Command12"))
        makeJobDatabase(chosen, 5);
    const QStringList before = QDir(folder.path()).entryList(QDir::Files);
    // A server's load sets table1's indexes and history trigger aside: they come back as they were.
    const QString shape = folder.tableShape();
    BackgroundWork::setCancelHandler([step](const QString &label) { return label == step; });
    Seams seams;
    Form1 form;
    seams.fileNames << chosen;
    form.findChild<QPushButton *>(button)->click();
    BackgroundWork::setCancelHandler({});
    QCOMPARE(seams.messages.size(), 1);
    QCOMPARE(seams.messages.first().icon, MessageBox::Icon::Information);
    QVERIFY(seams.messages.first().text.contains(QStringLiteral("لغو شد")));
    QCOMPARE(QFile::exists(chosen), button == QLatin1String("Command12"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), before);
    folder.reconnect();
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1")).toInt(), 2);
    QCOMPARE(folder.tableShape(), shape);
}

void TestHousekeeping::exitCopyGoesToTheDocumentsFolder()
{
    TempJobFolder folder;
    folder.addJobs(1, 3);
    const QString target = DatabaseCopies::exitCopyPath();
    QVERIFY(target.endsWith(QStringLiteral("Velmora/db1.mdb")));
    QFile::remove(target);
    Seams seams;
    Form1 form;
    button(form, "Command6")->click();
    QCOMPARE(seams.quits, 1);
    QVERIFY(JobDatabase::isJobDatabase(target));
    QFile::remove(target);

    // Without a database to copy the program still ends, and says the copy was not made.
    if (TempJobFolder::onServer())
        return;
    QFile::remove(folder.databasePath());
    button(form, "Command6")->click();
    QCOMPARE(seams.quits, 2);
    QCOMPARE(seams.messages.size(), 1);
    QCOMPARE(seams.messages.first().icon, MessageBox::Icon::Critical);
}

void TestHousekeeping::exitCopyNeverPushesOutTheJobs_data()
{
    QTest::addColumn<QByteArray>("database");
    QTest::addColumn<qint64>("copyHolds");
    QTest::newRow("missing file, made anew") << QByteArray("missing") << qint64(7);
    QTest::newRow("not a job database") << QByteArray("foreign") << qint64(7);
    QTest::newRow("empty job database") << QByteArray("empty") << qint64(7);
    QTest::newRow("three jobs") << QByteArray("jobs") << qint64(3);
    // Torn so that SQLite's quick check passes; the start refused it, and so does the exit copy.
    QTest::newRow("torn, an index's pages older") << QByteArray("torn") << qint64(7);
}

void TestHousekeeping::exitCopyNeverPushesOutTheJobs()
{
    QFETCH(QByteArray, database);
    QFETCH(qint64, copyHolds);
    if (TempJobFolder::onServer() && (database == "missing" || database == "foreign" || database == "torn"))
        QSKIP("about the job file in the data folder");
    freshExitCopyFolder();
    makeJobDatabase(DatabaseCopies::exitCopyPath(), 7);
    TempJobFolder folder;
    folder.reconnect();
    if (database == "jobs")
        folder.addJobs(1, 3);
    if (database == "missing")
        QFile::remove(folder.databasePath());
    if (database == "foreign")
        writeFile(folder.databasePath());
    if (database == "torn")
        TornFile::writeWithOlderIndex(folder.databasePath());
    Seams seams;
    Form1 form;
    QTest::qWait(20);
    // Said at once, naming the folder.
    if (database == "missing")
        QVERIFY(seams.messages.value(0).text.contains(QDir::toNativeSeparators(folder.path())));
    button(form, "Command6")->click();
    QCOMPARE(JobDatabase::jobCount(DatabaseCopies::exitCopyPath()), copyHolds);
    const QDir backups(DatabaseCopies::exitCopyBackupsFolder());
    const QStringList aside = backups.entryList(QDir::Files);
    QCOMPARE(aside.size(), copyHolds == 7 ? 0 : 1);
    // Kept compressed, and whole.
    QVERIFY(aside.isEmpty() || aside.first().endsWith(QLatin1String(".mdb.zst")));
    QVERIFY(aside.isEmpty() || jobsIn(backups.filePath(aside.first())) == 7);
}

void TestHousekeeping::exitCopyIsMadeOncePerChange_data()
{
    QTest::addColumn<QByteArray>("between"); // what happens between two exits
    QTest::addColumn<int>("setAside");       // copies the second exit sets aside
    QTest::newRow("nothing saved") << QByteArray("nothing") << 0;
    // Nothing says what the copy was made from: its bytes do.
    QTest::newRow("nothing saved, the note gone") << QByteArray("note") << 0;
    QTest::newRow("a job saved") << QByteArray("job") << 1;
    QTest::newRow("the exit copy replaced") << QByteArray("replaced") << 1;
}

void TestHousekeeping::exitCopyIsMadeOncePerChange()
{
    QFETCH(QByteArray, between);
    QFETCH(int, setAside);
    freshExitCopyFolder();
    TempJobFolder folder;
    folder.addJobs(1, 3);
    const QString target = DatabaseCopies::exitCopyPath();
    Seams seams;
    Form1 form;
    button(form, "Command6")->click();
    QCOMPARE(JobDatabase::jobCount(target), 3);
    if (between == "note")
        QVERIFY(QFile::remove(target + QStringLiteral(".made-from")) || TempJobFolder::onServer());
    if (between == "job")
        folder.addJobs(4, 4);
    if (between == "replaced")
        makeJobDatabase(target, 7);
    button(form, "Command6")->click();
    QCOMPARE(seams.quits, 2);
    QVERIFY(seams.messages.isEmpty());
    QCOMPARE(JobDatabase::jobCount(target), between == "job" ? 4 : 3);
    QCOMPARE(QDir(DatabaseCopies::exitCopyBackupsFolder()).entryList(QDir::Files).size(), setAside);
}

void TestHousekeeping::rotationKeepsTheNewestThirty()
{
    freshExitCopyFolder();
    const QDir backups(DatabaseCopies::exitCopyBackupsFolder());
    // Thirty-one earlier copies of one database, and one of another database older than all of them.
    QTemporaryDir source;
    const QString shop = makeJobDatabase(source.filePath(QStringLiteral("shop.mdb")), 2);
    for (int day = 1; day <= 31; ++day)
        QFile::copy(shop, backups.filePath(QStringLiteral("db1-202401%1-090000.mdb").arg(day, 2, 10, QChar(u'0'))));
    const QString other = backups.filePath(QStringLiteral("db1-20230101-090000.mdb"));
    makeJobDatabase(other, 9);
    QFile::copy(shop, DatabaseCopies::exitCopyPath());
    writeFile(DatabaseCopies::exitCopyPath() + QStringLiteral(".partial"), QDateTime(QDate(2025, 1, 1), QTime()));
    QFile previous(DatabaseCopies::exitCopyPath());
    QVERIFY(previous.open(QIODevice::Append));
    previous.setFileTime(QDateTime(QDate(2025, 1, 2), QTime(10, 0)), QFileDevice::FileModificationTime);
    previous.close();
    TempJobFolder folder;
    folder.addJobs(1, 5);
    // Half-written copies of an interrupted restore are stale by the next start.
    if (!TempJobFolder::onServer())
        writeFile(folder.databasePath() + QStringLiteral(".restoring"));
    Sorvan::Clock::setNow(QDateTime(QDate(2025, 1, 2), QTime(12, 0)));
    Seams seams;
    Form1 form;
    if (!TempJobFolder::onServer())
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("db1.mdb")});
    QVERIFY(!QFile::exists(DatabaseCopies::exitCopyPath() + QStringLiteral(".partial")));
    button(form, "Command6")->click();

    QStringList kept = backups.entryList(QDir::Files, QDir::Name);
    QVERIFY(kept.removeOne(QFileInfo(other).fileName()));
    QCOMPARE(kept.size(), DatabaseCopies::KeptExitCopies);
    // The copy set aside is named by its solar date (1403/10/13) and compressed on the way, as are the
    // earlier copies of the same database; the older, Gregorian names are still read by their dates,
    // the oldest two dropped.
    QVERIFY(kept.removeOne(QStringLiteral("db1-14031013-100000.mdb.zst")));
    QCOMPARE(kept.first(), QStringLiteral("db1-20240103-090000.mdb.zst"));
    QCOMPARE(kept.last(), QStringLiteral("db1-20240131-090000.mdb.zst"));
    QCOMPARE(jobsIn(backups.filePath(QStringLiteral("db1-14031013-100000.mdb.zst"))), 2);
    QCOMPARE(JobDatabase::jobCount(DatabaseCopies::exitCopyPath()), 5);
}

void TestHousekeeping::aNewDatabaseNeverPushesOutAnothersCopies()
{
    // The shop's copy, then a program started on a new, empty folder: one job, and 31 exits.
    freshExitCopyFolder();
    makeJobDatabase(DatabaseCopies::exitCopyPath(), 7);
    TempJobFolder folder;
    if (TempJobFolder::onServer())
        QSKIP("about a new job file in an empty folder");
    QFile::remove(folder.databasePath());
    {
        Seams seams;
        Form1 form;
        QTRY_VERIFY(!seams.messages.isEmpty()); // the offer of the shop's copy, declined
    }
    folder.reconnect();
    folder.addJob({{"num", 1}, {"name", "new"}});
    for (int exit = 0; exit < 31; ++exit) {
        Sorvan::Clock::setNow(QDateTime(QDate(2026, 12, 9), QTime(9, 0)).addSecs(exit * 3600 * 5));
        Seams seams;
        Form1 form;
        button(form, "Command6")->click();
    }
    QCOMPARE(JobDatabase::jobCount(DatabaseCopies::exitCopyPath()), 1);
    const QDir backups(DatabaseCopies::exitCopyBackupsFolder());
    QList<qint64> counts;
    for (const QString &name : backups.entryList(QDir::Files))
        counts << jobsIn(backups.filePath(name));
    QCOMPARE(counts.count(7), 1);
}

void TestHousekeeping::startOffersTheNewestCopy_data()
{
    QTest::addColumn<QByteArray>("database");
    QTest::addColumn<MessageBox::Answer>("answer");
    QTest::addColumn<int>("listed");
    QTest::newRow("missing, restored") << QByteArray("missing") << MessageBox::Answer::Yes << 7;
    QTest::newRow("missing, declined") << QByteArray("missing") << MessageBox::Answer::No << 0;
    QTest::newRow("torn, restored") << QByteArray("torn") << MessageBox::Answer::Yes << 7;
    QTest::newRow("torn, declined") << QByteArray("torn") << MessageBox::Answer::No << 0;
    // Torn so that SQLite's quick check passes: only the whole check sees it.
    // (Its jobs still read; -1: what the data control read is not asked.)
    QTest::newRow("an index's pages older, declined") << QByteArray("index") << MessageBox::Answer::No << -1;
    QTest::newRow("one column moved, every third page older, declined")
        << QByteArray("moved") << MessageBox::Answer::No << -1;
    // Torn so badly that neither the schema nor the jobs read.
    QTest::newRow("rewritten file, header page older, declined")
        << QByteArray("vacuumed") << MessageBox::Answer::No << 0;
}

void TestHousekeeping::startOffersTheNewestCopy()
{
    QFETCH(QByteArray, database);
    QFETCH(MessageBox::Answer, answer);
    QFETCH(int, listed);
    if (TempJobFolder::onServer())
        QSKIP("about the job file in the data folder");
    freshExitCopyFolder();
    const QDir backups(DatabaseCopies::exitCopyBackupsFolder());
    // An older copy with more jobs, the newest with seven, and a newer one without jobs.
    makeJobDatabase(backups.filePath(QStringLiteral("db1-20261201-090000.mdb")), 9);
    makeJobDatabase(DatabaseCopies::exitCopyPath(), 7);
    makeJobDatabase(QFileInfo(DatabaseCopies::exitCopyPath()).dir().filePath(QStringLiteral("empty.mdb")), 0);
    TempJobFolder folder;
    QByteArray before;
    if (database == "missing") {
        QFile::remove(folder.databasePath());
    } else {
        if (database == "index")
            TornFile::writeWithOlderIndex(folder.databasePath());
        else if (database == "moved")
            TornFile::write(folder.databasePath(), {3, 1, TornFile::Newer::DatesMoved});
        else if (database == "vacuumed")
            TornFile::write(folder.databasePath(), {2, 0, TornFile::Newer::Vacuumed});
        else
            TornFile::write(folder.databasePath());
        const bool tornUnseen = database == "index" || database == "moved";
        QCOMPARE(TornFile::verdict(folder.databasePath(), QStringLiteral("quick_check")) == QLatin1String("ok"),
                 tornUnseen);
        QVERIFY(TornFile::verdict(folder.databasePath(), QStringLiteral("integrity_check")) != QLatin1String("ok"));
        before = TornFile::bytes(folder.databasePath());
    }
    Seams seams;
    seams.answers << answer;
    Form1 form;
    QTRY_COMPARE(seams.messages.size(), answer == MessageBox::Answer::Yes ? 2 : 1);
    const MessageBox::Request offer = seams.messages.first();
    QCOMPARE(offer.buttons, MessageBox::Buttons::YesNo);
    // The copies are of other databases than the torn file: Enter does not restore them.
    QCOMPARE(offer.preferred, database == "missing" ? MessageBox::Answer::Yes : MessageBox::Answer::No);
    QVERIFY(offer.text.contains(QDir::toNativeSeparators(QFileInfo(DatabaseCopies::exitCopyPath()).absolutePath())));
    QVERIFY(offer.text.contains(QStringLiteral("تعداد کارها: \u20667\u2069")));
    if (listed >= 0)
        QTRY_COMPARE(form.adodc1()->recordset()->RecordCount(), listed);
    if (database != "missing" && answer == MessageBox::Answer::No) {
        QCOMPARE(TornFile::bytes(folder.databasePath()), before);
        seams.fileNames.clear();
        button(form, "Command6")->click(); // the skipped exit copy is said
        QCOMPARE(seams.messages.size(), 2);
        QCOMPARE(JobDatabase::jobCount(DatabaseCopies::exitCopyPath()), 7);
        QCOMPARE(TornFile::bytes(folder.databasePath()), before);
        // A search does not put the refused file in the list, and F1 registers nothing in it.
        form.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QStringLiteral("a"));
        QVERIFY(!form.findChild<DataGrid *>(QStringLiteral("DataGrid1"))->dataSource());
        form.registerJob();
        QVERIFY(seams.messages.last().text.contains(QStringLiteral("قابل استفاده نيست")));
        QCOMPARE(TornFile::bytes(folder.databasePath()), before);
    }
}

void TestHousekeeping::startOffersItsOwnDatabasesCopyFirst_data()
{
    // Each copy: where it lies (a name in the backups folder, or the exit copy), whose database, its
    // jobs, and when it was written; the jobs of the copy the offer must name.
    QTest::addColumn<QStringList>("copies"); // "name shop jobs yyyyMMddHHmm"
    QTest::addColumn<int>("offered");
    QTest::addColumn<bool>("own");
    // Two shops used in turn on one account: the other shop ended last.
    QTest::newRow("another shop's exit copy is newer")
        << QStringList{QStringLiteral("db1-20261001-090000.mdb own 521 202610010900"),
                       QStringLiteral("exit other 321 202612081800")}
        << 521 << true;
    // The clock set back a day: the exit copy looks older than the copy it pushed aside.
    QTest::newRow("clock set back") << QStringList{QStringLiteral("db1-20261209-090000.mdb own 135 202612090900"),
                                                   QStringLiteral("exit own 136 202612081800")}
                                    << 136 << true;
    QTest::newRow("only another shop's copy")
        << QStringList{QStringLiteral("exit other 321 202612081800")} << 321 << false;
    // What a compressed copy holds is read from its note, then checked expanded.
    QTest::newRow("its own copy compressed")
        << QStringList{QStringLiteral("db1-20261001-090000.mdb.zst own 521 202610010900"),
                       QStringLiteral("exit other 321 202612081800")}
        << 521 << true;
}

void TestHousekeeping::startOffersItsOwnDatabasesCopyFirst()
{
    QFETCH(QStringList, copies);
    QFETCH(int, offered);
    QFETCH(bool, own);
    if (TempJobFolder::onServer())
        QSKIP("about the job file in the data folder");
    freshExitCopyFolder();
    TempJobFolder folder;
    TornFile::write(folder.databasePath());
    const QString identity = JobDatabase::identity(folder.databasePath());
    QVERIFY(!identity.isEmpty());
    for (const QString &copy : copies) {
        const QStringList part = copy.split(u' ');
        const QString path = part.at(0) == QLatin1String("exit")
                                 ? DatabaseCopies::exitCopyPath()
                                 : QDir(DatabaseCopies::exitCopyBackupsFolder()).filePath(part.at(0));
        makeJobDatabase(path, part.at(2).toInt());
        JobDatabase::ensure(path); // its history begins
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("copy"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        if (part.at(1) == QLatin1String("own"))
            QVERIFY(query.exec(QStringLiteral("update database_identity set identity = '%1'").arg(identity)));
        // One history entry a job, as the counter that made them wrote.
        QVERIFY(query.exec(QStringLiteral("insert into job_history (changed_at, num, action) select 0, num, 'new' "
                                          "from table1")));
        query = QSqlQuery();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("copy"));
        if (path.endsWith(QLatin1String(".zst"))) {
            QVERIFY(QFile::rename(path, path + QStringLiteral(".plain")));
            QVERIFY(CompressedCopy::compress(
                path + QStringLiteral(".plain"), path,
                QStringLiteral("identity=%1\njobs=%2\nnewest-change=%2\n").arg(identity, part.at(2)).toUtf8()));
            QFile::remove(path + QStringLiteral(".plain"));
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.setFileTime(QDateTime::fromString(part.at(3), QStringLiteral("yyyyMMddHHmm")),
                         QFileDevice::FileModificationTime);
    }
    Seams seams;
    Form1 form;
    QTRY_COMPARE(seams.messages.size(), 1);
    const MessageBox::Request offer = seams.messages.first();
    QVERIFY2(offer.text.contains(QStringLiteral("تعداد کارها: \u2066%1\u2069").arg(offered)), qPrintable(offer.text));
    QCOMPARE(offer.preferred, own ? MessageBox::Answer::Yes : MessageBox::Answer::No);
    QCOMPARE(offer.text.contains(QStringLiteral("فايل اطلاعات ديگري")), !own);
}

void TestHousekeeping::exitCopyPlaceAlwaysHoldsAWholeCopy()
{
    // A copy that cannot be written (the disk full) leaves the previous one in its place.
    freshExitCopyFolder();
    makeJobDatabase(DatabaseCopies::exitCopyPath(), 7);
    TempJobFolder folder;
    folder.addJobs(1, 3);
    // The partial copy's name taken by a folder: writing it fails as a full disk does, at the same step.
    Seams seams;
    Form1 form;
    QVERIFY(QDir().mkpath(DatabaseCopies::exitCopyPath() + QStringLiteral(".partial/x")));
    button(form, "Command6")->click();
    QCOMPARE(JobDatabase::jobCount(DatabaseCopies::exitCopyPath()), 7);
    QCOMPARE(seams.messages.size(), 1);
    QCOMPARE(seams.messages.first().icon, MessageBox::Icon::Critical);
    QDir(DatabaseCopies::exitCopyPath() + QStringLiteral(".partial")).removeRecursively();
}

void TestHousekeeping::countTickSkipsABusyFile()
{
    TempJobFolder folder;
    folder.addJob({{"num", 1}, {"dateout", 910628}, {"status", QStringLiteral("در حال تعمير")}});
    Sorvan::Clock::setNow(QDateTime(QDate(2012, 9, 18), QTime(10, 0)));
    Seams seams;
    Form1 form;
    QTRY_COMPARE(button(form, "Command9")->text(), captionOf(1));
    // Another program holds the jobs in a transaction that keeps readers out too.
    folder.hold(true);
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(2500); // two ticks or more
    QVERIFY2(clock.elapsed() < 3500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(button(form, "Command9")->text(), captionOf(1));
    folder.addJob({{"num", 2}, {"dateout", 910628}, {"status", QStringLiteral("در حال تعمير")}});
    folder.value(QStringLiteral("commit"));
    QTRY_COMPARE_WITH_TIMEOUT(button(form, "Command9")->text(), captionOf(2), 2500);
}

// A change heard while the exit copy is made reads the list after the copy, which on a server holds
// the processor the list's read would wait for; a session's save goes on with the list read.
void TestHousekeeping::listIsReadAfterTheExitCopy()
{
    TempJobFolder folder;
    folder.addJobs(1, 20000);
    Seams seams;
    Form1 form;
    QList<bool> readDuringCopy;
    connect(form.adodc1(), &Adodc::refreshed, this, [&] { readDuringCopy << ProgramEnd::makingExitCopy(); });
    form.startListRefresh(); // due in 20 ms, while the copy of 20,000 jobs is being made
    button(form, "Command6")->click();
    QCOMPARE(JobDatabase::jobCount(DatabaseCopies::exitCopyPath()), 20000);
    QTRY_COMPARE(readDuringCopy, QList<bool>{false});
}

void TestHousekeeping::hideWithoutATrayMinimises()
{
    TempJobFolder folder;
    Seams seams;
    Form1 form;
    form.show();
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    auto *hide1 = form.findChild<QAction *>(QStringLiteral("hide1"));
    auto *view = form.findChild<QAction *>(QStringLiteral("view"));
    QVERIFY(hide1->isEnabled());
    QVERIFY(!view->isEnabled());
    button(form, "Command8")->click();
    QVERIFY(form.isVisible());
    QVERIFY(form.isMinimized() || form.windowState().testFlag(Qt::WindowMinimized));
    QVERIFY(hide1->isEnabled()); // nothing was put in a tray
}

QTEST_MAIN(TestHousekeeping)
#include "tst_housekeeping.moc"
