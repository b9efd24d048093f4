// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/JobTable.h"
#include "jobstore/access/AccessFile.h"
#include "jobstore/access/AccessImport.h"
#include "jobstore/file/JobDatabase.h"
#include "support/TempJobFolder.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <cstdio>
#include <functional>

#include <unistd.h>

namespace
{

const QVariant N;
const QVariant E = QStringLiteral("");
QVariant T(const char16_t *text)
{
    return QString::fromUtf16(text);
}

QString fixture(const QString &name)
{
    return QStringLiteral(VELMORA_ACCESS_FIXTURES "/") + name;
}

QByteArray digestOf(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// The five jobs of jobs-edge.mdb as its README lists them; jobs-duplicates.mdb holds them too.
const QList<QVariantList> edgeJobs = {
    {1, T(u"علي كريمي"), T(u"Nokia 3310"), T(u"351234567890123"), T(u"09121234567"), 850712, 850715, T(u"ندارد"),
     150000, 50000, T(u"شارژر، قاب"), T(u"حسن"), T(u"LCD"), 200000, 450000.5, T(u"تحويل شده"), T(u"صفحه شكسته")},
    {2, T(u"مريم"), T(u"iPhone 6"), N, N, 991229, 105, N, N, N, N, N, N, N, N, T(u"در حال تعمير"), N},
    {3, E, E, E, E, N, N, E, 0, 0, E, E, E, 0, 0, E, E},
    {5, T(u"Reza \"R\" O'Brien; DROP TABLE table1;--"), T(u"Samsung Galaxy S23 Ultra 512GB Phantom"), T(u"12345"),
     T(u"02188776655"), 10101, 11231, T(u"12 ماه"), 999999999, 1.25, T(u"همه چيز"), T(u"علي"), T(u"برد، باتري"),
     123456.75, 999999999, T(u"تعمير شده"), T(u"%_\\ '")},
    {32767, T(u"آخرين شماره"), T(u"Motorola"), E, E, 50918, 50920, E, 1000, 0, E, E, E, 0, 0, T(u"غير قابل تعمير"), E},
};
// The two jobs jobs-duplicates.mdb adds, under the numbers they are given.
const QList<QVariantList> duplicateJobs = {
    {32768, T(u"دوم با همان شماره"), T(u"LG G3"), E, E, 51001, 51003, E, 5000, 0, E, E, E, 0, 0, T(u"در حال تعمير"),
     T(u"شماره تكراري")},
    {32769, T(u"بدون شماره"), T(u"Sony"), E, E, 51002, 51004, E, 7000, 0, E, E, E, 0, 0, T(u"در حال تعمير"), E},
};

// A copy of jobs-edge.mdb changed by `edit`, in `dir`.
QString editedCopy(const QTemporaryDir &dir, const QString &name, const std::function<void(QByteArray &)> &edit)
{
    QFile source(fixture(QStringLiteral("jobs-edge.mdb")));
    source.open(QIODevice::ReadOnly);
    QByteArray bytes = source.readAll();
    edit(bytes);
    const QString path = dir.filePath(name);
    QFile target(path);
    target.open(QIODevice::WriteOnly);
    target.write(bytes);
    return path;
}

// A copy of a fixture with some bytes replaced (or cut at `cutAt`), in `dir`.
QString patchedCopy(const QTemporaryDir &dir, const QString &name, const QByteArray &from, const QByteArray &to,
                    qint64 cutAt = -1)
{
    return editedCopy(dir, name, [&](QByteArray &bytes) {
        if (!from.isEmpty())
            bytes.replace(from, to);
        if (cutAt >= 0)
            bytes.truncate(cutAt);
    });
}

// Jet 4's layout, as libmdb reads it.
constexpr int PageSize = 4096;
constexpr int UsageMapPointer = 55;
constexpr int RowOffsets = 14;

// The first page of `kind` (1 data, 2 table definition) holding `marker`, or owned by page `owner`.
qsizetype pageOf(const QByteArray &bytes, char kind, const QByteArray &marker, int owner = -1)
{
    for (qsizetype page = 1; page < bytes.size() / PageSize; ++page) {
        const QByteArray each = bytes.mid(page * PageSize, PageSize);
        if (each.at(0) == kind &&
            (owner < 0 ? each.contains(marker) : qFromLittleEndian<qint32>(each.data() + 4) == owner))
            return page;
    }
    return -1;
}

// What a block writes to the process's standard error, libmdb's own messages included.
QByteArray standardErrorOf(const std::function<void()> &block)
{
    std::fflush(stderr);
    QTemporaryFile capture;
    capture.open();
    const int saved = ::dup(2);
    ::dup2(capture.handle(), 2);
    block();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    capture.seek(0);
    return capture.readAll();
}

QByteArray utf16(const char *text)
{
    const QString string = QString::fromLatin1(text);
    return QByteArray(reinterpret_cast<const char *>(string.utf16()), string.size() * 2);
}

QList<QVariantList> storedJobs(const TempJobFolder &folder)
{
    return folder.rows(QStringLiteral("select %1 from table1 order by num").arg(JobTable::quotedColumns()));
}

// The 32,767-job file is kept compressed; it is unpacked once into a folder of the test's own.
QString bigFile()
{
    static QTemporaryDir unpacked;
    const QString big = unpacked.filePath(QStringLiteral("jobs-32767.mdb"));
    if (!QFileInfo::exists(big)) {
        QProcess gunzip;
        gunzip.setStandardOutputFile(big);
        gunzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), fixture(QStringLiteral("jobs-32767.mdb.gz"))});
        if (!gunzip.waitForFinished(60000) || gunzip.exitCode() != 0)
            qFatal("cannot unpack jobs-32767.mdb.gz");
    }
    return big;
}

} // namespace

class TestAccessImport : public QObject
{
    Q_OBJECT

private slots:
    void importsEveryJobExactly_data();
    void importsEveryJobExactly();
    void refusesAndWritesNothing_data();
    void refusesAndWritesNothing();
    void readsDamagedFilesSafely_data();
    void readsDamagedFilesSafely();
    void decodesEveryStoredKind_data();
    void decodesEveryStoredKind();
    void decodesEveryTextForm();
    void importsAgainNothingItTookIn_data();
    void importsAgainNothingItTookIn();
    void outlastsTheWindowsTimeLimit_data();
    void outlastsTheWindowsTimeLimit();
};

void TestAccessImport::importsEveryJobExactly_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<QVariantList>>("expected");
    QTest::addColumn<QStringList>("renumbered"); // "was>now"
    QTest::addColumn<QStringList>("leftOut");

    // Checked by count and by the first and last jobs (the README lists no rows for it).
    QList<QVariantList> bigJobs(32767);
    QTest::newRow("32,767 jobs") << bigFile() << bigJobs << QStringList() << QStringList();

    QTest::newRow("edge cases") << fixture(QStringLiteral("jobs-edge.mdb")) << edgeJobs << QStringList()
                                << QStringList();
    QTest::newRow("a repeated number and a missing one")
        << fixture(QStringLiteral("jobs-duplicates.mdb")) << edgeJobs + duplicateJobs
        << QStringList{QStringLiteral("2>32768"), QStringLiteral(">32769")} << QStringList();

    // serial renamed in the table definition: matched by name, the unknown one left out and named.
    static QTemporaryDir patched;
    QList<QVariantList> withoutSerial = edgeJobs;
    for (QVariantList &job : withoutSerial)
        job[JobTable::Serial] = N;
    QTest::newRow("an unknown column and a missing one")
        << patchedCopy(patched, QStringLiteral("renamed.mdb"), utf16("serial"), utf16("remark")) << withoutSerial
        << QStringList() << QStringList{QStringLiteral("remark")};
}

void TestAccessImport::importsEveryJobExactly()
{
    QFETCH(QString, file);
    QFETCH(QList<QVariantList>, expected);
    QFETCH(QStringList, renumbered);
    QFETCH(QStringList, leftOut);
    const QByteArray before = digestOf(file);
    TempJobFolder folder;

    const AccessImport::Outcome first = AccessImport::run(file, folder.databasePath());
    QVERIFY2(first.ok, qPrintable(first.detail));
    QCOMPARE(first.added, expected.size());
    QStringList renumberedSeen;
    for (const AccessImport::Renumbered &each : first.renumbered)
        renumberedSeen
            << QStringLiteral("%1>%2").arg(each.was.isNull() ? QString() : each.was.toString()).arg(each.now);
    QCOMPARE(renumberedSeen, renumbered);
    QCOMPARE(first.leftOut, leftOut);

    const QList<QVariantList> stored = storedJobs(folder);
    QCOMPARE(stored.size(), expected.size());
    for (int row = 0; row < stored.size(); ++row) {
        if (expected.at(row).isEmpty()) { // only numbered in order, with a name
            QCOMPARE(stored.at(row).at(JobTable::Num).toInt(), row + 1);
            QVERIFY(!stored.at(row).at(JobTable::Name).toString().isEmpty());
            continue;
        }
        for (int column = 0; column < JobTable::ColumnCount; ++column) {
            const QVariant want = expected.at(row).at(column);
            const QVariant got = stored.at(row).at(column);
            const QByteArray where =
                QStringLiteral("job %1, %2").arg(row).arg(JobTable::columnNames().at(column)).toUtf8();
            QVERIFY2(want.isNull() == got.isNull(), where.constData());
            if (want.isNull())
                continue;
            if (JobTable::isNumberColumn(column))
                QVERIFY2(got.toDouble() == want.toDouble(), where + ": " + got.toString().toUtf8());
            else
                QVERIFY2(got.toString() == want.toString(), where + ": " + got.toString().toUtf8());
        }
    }

    // Brought in again, every job is found already stored.
    const AccessImport::Outcome second = AccessImport::run(file, folder.databasePath());
    QVERIFY(second.ok);
    QCOMPARE(second.added, 0);
    QCOMPARE(second.alreadyStored, expected.size());
    QCOMPARE(storedJobs(folder), stored);
    QCOMPARE(digestOf(file), before);
}

void TestAccessImport::refusesAndWritesNothing_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason");

    static QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("notes.mdb"));
    QFile notes(text);
    notes.open(QIODevice::WriteOnly);
    notes.write("These are not jobs.\r\n");
    notes.close();
    QTest::newRow("not an Access file") << text << QStringLiteral("فايل اطلاعات Access نيست");
    QTest::newRow("a Jet file without table1")
        << patchedCopy(dir, QStringLiteral("other.mdb"), utf16("table1"), utf16("tablex"))
        << QStringLiteral("جدول کارها (table1) پيدا نشد");
    QTest::newRow("cut short at a page") << patchedCopy(dir, QStringLiteral("cut1.mdb"), {}, {}, 14 * 4096)
                                         << QStringLiteral("آسيب ديده يا ناقص");
    QTest::newRow("cut short within a page")
        << patchedCopy(dir, QStringLiteral("cut2.mdb"), {}, {}, 100000) << QStringLiteral("آسيب ديده يا ناقص");
    // num declared as Text (type 10 where Double, 7, stood): not a number the job table can take.
    QFile edge(fixture(QStringLiteral("jobs-edge.mdb")));
    edge.open(QIODevice::ReadOnly);
    const QByteArray bytes = edge.readAll();
    const qsizetype numName = bytes.indexOf(utf16("num"));
    const QString wrongKind = dir.filePath(QStringLiteral("kind.mdb"));
    {
        // The 25-byte column descriptors precede the length-prefixed names; a type is a descriptor's first byte.
        const qsizetype descriptors = numName - 2 - 17 * 25;
        QByteArray changed = bytes;
        QCOMPARE(int(changed.at(descriptors)), 7);
        changed[descriptors] = 10;
        QFile out(wrongKind);
        out.open(QIODevice::WriteOnly);
        out.write(changed);
    }
    QTest::newRow("a job column of another kind") << wrongKind << QStringLiteral("ستون");
}

void TestAccessImport::refusesAndWritesNothing()
{
    QFETCH(QString, file);
    QFETCH(QString, reason);
    const QByteArray before = digestOf(file);
    TempJobFolder folder;
    folder.addJob({{"num", 7}, {"name", QStringLiteral("پيشين")}});
    const QList<QVariantList> stored = storedJobs(folder);

    const AccessImport::Outcome outcome = AccessImport::run(file, folder.databasePath());
    QVERIFY(!outcome.ok);
    QVERIFY2(outcome.reason.contains(reason), qPrintable(outcome.reason));
    QVERIFY(outcome.reason.contains(QFileInfo(file).fileName()));
    QVERIFY(!outcome.detail.isEmpty());
    QCOMPARE(storedJobs(folder), stored);
    QCOMPARE(digestOf(file), before);
}

void TestAccessImport::readsDamagedFilesSafely_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("fault"); // AccessFile::Fault; None: imported
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("name"); // job 1's name as imported
    QTest::addColumn<qint64>("repaired");

    static QTemporaryDir dir;
    QFile edge(fixture(QStringLiteral("jobs-edge.mdb")));
    edge.open(QIODevice::ReadOnly);
    const QByteArray bytes = edge.readAll();
    const qsizetype definition = pageOf(bytes, 2, utf16("nameph"));
    const qsizetype data = pageOf(bytes, 1, {}, int(definition));
    QVERIFY(definition > 0 && data > 0);
    const qsizetype pointer = definition * PageSize + UsageMapPointer; // row byte, then the page's three
    const qsizetype firstRow =
        data * PageSize + (qFromLittleEndian<quint16>(bytes.constData() + data * PageSize + RowOffsets) & 0x1fff);
    const auto poke = [&](const char *name, qsizetype at, char value) {
        return editedCopy(dir, QLatin1String(name), [=](QByteArray &copy) { copy[at] = value; });
    };
    const QString damaged = QStringLiteral("آسيب ديده يا ناقص");
    const int refusedAs = int(AccessFile::Fault::Damaged);

    // libmdb (1.0.0) died in mdb_map_find_next on the first two.
    QTest::newRow("usage map: a row past the page's rows")
        << poke("map-row5.mdb", pointer, 5) << refusedAs << damaged << QString() << 0LL;
    QTest::newRow("usage map: row 255") << poke("map-row255.mdb", pointer, char(255)) << refusedAs << damaged
                                        << QString() << 0LL;
    QTest::newRow("usage map: a page past the end")
        << poke("map-page.mdb", pointer + 1, 127) << refusedAs << damaged << QString() << 0LL;
    QTest::newRow("usage map: a definition page read as a map")
        << poke("map-type.mdb", pointer + 1, 2) << refusedAs << damaged << QString() << 0LL;
    QTest::newRow("a row claiming 18 of the 17 columns")
        << poke("columns18.mdb", firstRow, 18) << refusedAs << damaged << QString() << 0LL;
    QTest::newRow("a row claiming 255 columns")
        << poke("columns255.mdb", firstRow, char(255)) << refusedAs << damaged << QString() << 0LL;
    QTest::newRow("a row whose variable columns run before it")
        << poke("variable.mdb", data * PageSize + PageSize - 5, 0x7f) << refusedAs << damaged << QString() << 0LL;

    // A lone high surrogate where ل stood, and where the last ي stood.
    const QByteArray stored = QByteArray::fromRawData(reinterpret_cast<const char *>(u"علي كريمي"), 18);
    const qsizetype at = bytes.indexOf(stored);
    QVERIFY(at > 0 && bytes.indexOf(stored, at + 1) < 0);
    const auto lone = [&](const char *file, int character) {
        return editedCopy(dir, QLatin1String(file), [=](QByteArray &copy) {
            copy[at + 2 * character] = char(0x40);
            copy[at + 2 * character + 1] = char(0xd8);
        });
    };
    QTest::newRow("a lone surrogate within a name") << lone("surrogate-within.mdb", 1) << int(AccessFile::Fault::None)
                                                    << QString() << QString::fromUtf16(u"ع\uFFFDي كريمي") << 1LL;
    QTest::newRow("a lone surrogate ending a name") << lone("surrogate-end.mdb", 8) << int(AccessFile::Fault::None)
                                                    << QString() << QString::fromUtf16(u"علي كريم\uFFFD") << 1LL;

    // Access calls a user's first table Table1 as well.
    const QString notJobs = QStringLiteral("جدول کارها نيست");
    QTest::newRow("a table1 without a receipt number")
        << patchedCopy(dir, QStringLiteral("no-num.mdb"), utf16("num"), utf16("nux"))
        << int(AccessFile::Fault::NotJobTable) << notJobs << QString() << 0LL;
    QTest::newRow("a table1 without a name or a model")
        << patchedCopy(dir, QStringLiteral("no-name.mdb"), utf16("name"), utf16("nome"))
        << int(AccessFile::Fault::NotJobTable) << notJobs << QString() << 0LL;
    // Another table's definition, below table1's and above the catalog's.
    qsizetype other = definition - 1;
    while (other > 2 && bytes.at(other * PageSize) != 2)
        --other;
    QVERIFY(other > 2);
    QTest::newRow("definition pages swapped")
        << editedCopy(dir, QStringLiteral("swapped.mdb"),
                      [=](QByteArray &copy) {
                          const QByteArray first = copy.mid(definition * PageSize, PageSize);
                          copy.replace(definition * PageSize, PageSize, copy.mid(other * PageSize, PageSize));
                          copy.replace(other * PageSize, PageSize, first);
                      })
        << int(AccessFile::Fault::NotJobTable) << notJobs << QString() << 0LL;
}

void TestAccessImport::readsDamagedFilesSafely()
{
    QFETCH(QString, file);
    QFETCH(int, fault);
    QFETCH(QString, reason);
    QFETCH(QString, name);
    QFETCH(qint64, repaired);
    TempJobFolder folder;
    folder.addJob({{"num", 7}, {"name", QStringLiteral("پيشين")}});
    const QList<QVariantList> before = storedJobs(folder);

    AccessFile access(file);
    AccessImport::Outcome outcome;
    // libmdb's English warnings stay off the terminal.
    const QByteArray printed = standardErrorOf([&] {
        access.open();
        outcome = AccessImport::run(file, folder.databasePath());
    });
    QVERIFY2(printed.isEmpty(), printed.constData());
    QCOMPARE(int(access.fault()), fault);

    if (fault != int(AccessFile::Fault::None)) {
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.reason.contains(reason), qPrintable(outcome.reason));
        QVERIFY(outcome.reason.contains(QFileInfo(file).fileName()));
        QVERIFY(!outcome.detail.isEmpty());
        QCOMPARE(AccessImport::jobCount(file), -1);
        QCOMPARE(storedJobs(folder), before);
        return;
    }
    QVERIFY2(outcome.ok, qPrintable(outcome.detail));
    QCOMPARE(outcome.added, edgeJobs.size());
    QCOMPARE(outcome.repairedTexts, repaired);
    const QList<QVariantList> stored = storedJobs(folder);
    QCOMPARE(stored.at(0).at(JobTable::Name).toString(), name);
    QCOMPARE(stored.at(0).at(JobTable::NamePh).toString(), QStringLiteral("Nokia 3310"));

    // The summary tells of the replaced character; its file keeps no direction marks.
    const QString summary = AccessImport::summary(outcome, file);
    QVERIFY(summary.contains(QStringLiteral("نويسه خراب")));
    QVERIFY(summary.contains(QChar(0x2066)));
    QTemporaryDir summaries;
    QFile written(AccessImport::writeSummary(summaries.path(), QStringLiteral("1403-01-01"), summary));
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QString plain = QString::fromUtf8(written.readAll());
    QVERIFY(plain.contains(QFileInfo(file).fileName()));
    for (char16_t mark = 0x2066; mark <= 0x2069; ++mark)
        QVERIFY(!plain.contains(QChar(mark)));

    // Read the same way again, every job is found already stored.
    const AccessImport::Outcome again = AccessImport::run(file, folder.databasePath());
    QVERIFY(again.ok);
    QCOMPARE(again.added, 0);
    QCOMPARE(storedJobs(folder), stored);
}

void TestAccessImport::decodesEveryStoredKind_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("scale");
    QTest::addColumn<double>("expected");

    const auto le = [](auto value) {
        QByteArray bytes(sizeof value, Qt::Uninitialized);
        qToLittleEndian(value, bytes.data());
        return bytes;
    };
    float single = 1.1f;
    double amount = 450000.5;
    quint32 singleBits;
    quint64 doubleBits;
    std::memcpy(&singleBits, &single, 4);
    std::memcpy(&doubleBits, &amount, 8);
    QTest::newRow("Byte") << 0x02 << QByteArray(1, char(200)) << 0 << 200.0;
    QTest::newRow("Integer") << 0x03 << le(qint16(-32768)) << 0 << -32768.0;
    QTest::newRow("Long") << 0x04 << le(qint32(850712)) << 0 << 850712.0;
    QTest::newRow("Currency") << 0x05 << le(qint64(-123456789)) << 0 << -12345.6789;
    QTest::newRow("Single as Access shows it") << 0x06 << le(singleBits) << 0 << 1.1;
    QTest::newRow("Double") << 0x07 << le(doubleBits) << 0 << 450000.5;
    // 12345675 with scale 2 and the sign bit: -123456.75; words most significant first.
    QTest::newRow("Decimal") << 0x10
                             << QByteArray(1, char(0x80)) + le(quint32(0)) + le(quint32(0)) + le(quint32(0)) +
                                    le(quint32(12345675))
                             << 2 << -123456.75;
    QTest::newRow("Double of the wrong size") << 0x07 << QByteArray(4, 0) << 0 << qQNaN();
    QTest::newRow("Date/Time is no number here") << 0x08 << le(doubleBits) << 0 << qQNaN();
}

void TestAccessImport::decodesEveryStoredKind()
{
    QFETCH(int, type);
    QFETCH(QByteArray, bytes);
    QFETCH(int, scale);
    QFETCH(double, expected);
    const std::optional<double> value = AccessFile::decodeNumber(type, bytes, scale);
    if (std::isnan(expected)) {
        QVERIFY(!value);
        return;
    }
    QVERIFY(value);
    QCOMPARE(*value, expected);
}

void TestAccessImport::decodesEveryTextForm()
{
    // Jet 3 keeps a code page, read as Windows-1256; Jet 4 keeps UTF-16, plain or compressed.
    QCOMPARE(AccessFile::decodeText(true, QByteArray("\xe1\xed\xdf", 3)), QString::fromUtf16(u"\u0644\u064a\u0643"));
    QCOMPARE(AccessFile::decodeText(false, utf16("LCD")), QStringLiteral("LCD"));
    QCOMPARE(AccessFile::decodeText(false, QByteArray("\xff\xfe"
                                                      "AB\0\x4a\x06\0C",
                                                      9)),
             QString::fromUtf16(u"AB\u064aC"));
    QVERIFY(!AccessFile::decodeText(false, QByteArray()).isNull());
    // A surrogate pair stays one character; a lone half, plain or compressed, becomes U+FFFD.
    bool replaced = true;
    QCOMPARE(AccessFile::decodeText(false, QByteArray("\x3d\xd8\x00\xde", 4), &replaced),
             QString::fromUtf16(u"\U0001F600"));
    QVERIFY(!replaced);
    QCOMPARE(AccessFile::decodeText(false,
                                    QByteArray("\xff\xfe"
                                               "A\0\x01\xdc\0B",
                                               8),
                                    &replaced),
             QString::fromUtf16(u"A\uFFFDB"));
    QVERIFY(replaced);
}

void TestAccessImport::importsAgainNothingItTookIn_data()
{
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<QString>("into"); // "" the store itself, "backup" a copy of it, "restore" the server again
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("already");
    QTest::addColumn<QStringList>("renumbered");

    static QTemporaryDir dir;
    const QString edge = fixture(QStringLiteral("jobs-edge.mdb"));
    const QString copy = dir.filePath(QStringLiteral("db1-access-14050918.mdb"));
    QFile::copy(edge, copy);
    const QString duplicates = fixture(QStringLiteral("jobs-duplicates.mdb"));
    QTest::newRow("the same file after edits") << edge << true << QString() << 0 << 5 << QStringList();
    QTest::newRow("a copy under another name after edits") << copy << true << QString() << 0 << 5 << QStringList();
    QTest::newRow("the same file into a backup of the store")
        << edge << true << QStringLiteral("backup") << 0 << 5 << QStringList();
    QTest::newRow("the same file after the backup is restored onto the server")
        << edge << true << QStringLiteral("restore") << 0 << 5 << QStringList();
    QTest::newRow("another file with the same numbers")
        << duplicates << false << QString() << 2 << 5
        << QStringList{QStringLiteral("2>32768"), QStringLiteral(">32769")};
    // Edited jobs are no longer identical to another file's: they come in under new numbers, as before.
    QTest::newRow("another file with the same numbers after edits")
        << duplicates << true << QString() << 4 << 3
        << QStringList{QStringLiteral("2>32768"), QStringLiteral("5>32769"), QStringLiteral("2>32770"),
                       QStringLiteral(">32771")};
}

void TestAccessImport::importsAgainNothingItTookIn()
{
    QFETCH(QString, second);
    QFETCH(bool, edited);
    QFETCH(QString, into);
    QFETCH(int, added);
    QFETCH(int, already);
    QFETCH(QStringList, renumbered);
    if (into == QLatin1String("restore") && !TempJobFolder::onServer())
        QSKIP("a restore replaces a server's jobs");
    TempJobFolder folder;
    const AccessImport::Outcome first =
        AccessImport::run(fixture(QStringLiteral("jobs-edge.mdb")), folder.databasePath());
    QVERIFY2(first.ok, qPrintable(first.detail));
    QCOMPARE(first.added, 5);
    if (edited) {
        QCOMPARE(folder.value(QStringLiteral("update table1 set status='تحويل شده' where num=2 returning num")).toInt(),
                 2);
        QCOMPARE(
            folder.value(QStringLiteral("update table1 set \"desc\"='باتري عوض شد' where num=5 returning num")).toInt(),
            5);
    }
    QString store = folder.databasePath();
    if (!into.isEmpty()) {
        const QString backup = QDir(folder.path()).filePath(QStringLiteral("backup.mdb"));
        QString error;
        QVERIFY2(JobDatabase::copyConsistent(store, backup, &error), qPrintable(error));
        if (into == QLatin1String("restore")) {
            folder.value(QStringLiteral("delete from access_imports"));
            QVERIFY2(JobDatabase::replaceServerJobs(store, backup, &error), qPrintable(error));
        } else {
            store = backup;
        }
    }
    const QList<QVariantList> before = storedJobs(folder);

    const AccessImport::Outcome again = AccessImport::run(second, store);
    QVERIFY2(again.ok, qPrintable(again.detail));
    QCOMPARE(again.read, second.contains(QLatin1String("duplicates")) ? 7 : 5);
    QCOMPARE(again.added, added);
    QCOMPARE(again.alreadyStored, already);
    QStringList renumberedSeen;
    for (const AccessImport::Renumbered &each : again.renumbered)
        renumberedSeen
            << QStringLiteral("%1>%2").arg(each.was.isNull() ? QString() : each.was.toString()).arg(each.now);
    QCOMPARE(renumberedSeen, renumbered);
    const QString text = AccessImport::summary(again, second);
    QVERIFY2(text.contains(QStringLiteral("کارهاي وارد شده: %1").arg(added)), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("دوباره وارد نشدند: %1").arg(already)), qPrintable(text));
    QCOMPARE(JobDatabase::jobCount(store), 5 + added);
    if (store == folder.databasePath()) {
        const QList<QVariantList> after = storedJobs(folder);
        QCOMPARE(after.mid(0, 5), before);
        if (edited) {
            QCOMPARE(after.at(1).at(JobTable::Status).toString(), QStringLiteral("تحويل شده"));
            QCOMPARE(after.at(3).at(JobTable::Desc).toString(), QStringLiteral("باتري عوض شد"));
        }
    }

    // A third time adds nothing more, from either file.
    for (const QString &file : {fixture(QStringLiteral("jobs-edge.mdb")), second}) {
        const AccessImport::Outcome third = AccessImport::run(file, store);
        QVERIFY(third.ok);
        QCOMPARE(third.added, 0);
    }
    QCOMPARE(JobDatabase::jobCount(store), 5 + added);
}

void TestAccessImport::outlastsTheWindowsTimeLimit_data()
{
    QTest::addColumn<QString>("onInsert"); // what the server does at each insert into table1
    QTest::addColumn<bool>("ok");

    QTest::newRow("a statement longer than a window's limit") << QStringLiteral("perform pg_sleep(4.8)") << true;
    QTest::newRow("a statement cut short")
        << QStringLiteral("raise exception 'canceling statement' using errcode = '57014'") << false;
}

void TestAccessImport::outlastsTheWindowsTimeLimit()
{
    QFETCH(QString, onInsert);
    QFETCH(bool, ok);
    if (!TempJobFolder::onServer())
        QSKIP("a statement limit is the server's");
    TempJobFolder folder;
    folder.value(QStringLiteral("create or replace function import_test_insert() returns trigger language plpgsql as "
                                "$$ begin %1; return null; end $$")
                     .arg(onInsert));
    folder.value(QStringLiteral("create trigger import_test after insert on table1 for each statement execute "
                                "function import_test_insert()"));
    const QString file = fixture(QStringLiteral("jobs-edge.mdb"));
    const AccessImport::Outcome outcome = AccessImport::run(file, folder.databasePath());
    QCOMPARE(outcome.ok, ok);
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1")).toInt(), ok ? 5 : 0);
    if (!ok) {
        QVERIFY2(outcome.reason.contains(QStringLiteral("پيش از پايان قطع شد")), qPrintable(outcome.reason));
        QVERIFY(outcome.reason.contains(QStringLiteral("هيچ کاري وارد نشد")));
        QCOMPARE(outcome.added, 0);
        QCOMPARE(folder.value(QStringLiteral("select count(*) from access_imports")).toInt(), 0);
    }
}

QTEST_GUILESS_MAIN(TestAccessImport)
#include "tst_accessimport.moc"
