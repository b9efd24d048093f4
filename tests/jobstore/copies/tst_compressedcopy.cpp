// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/copies/CompressedCopy.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QtTest>

// A compressed copy is the only copy a shop may have of a month gone by: it gives back its file
// byte for byte or says it cannot, and a write or expansion that fails or is stopped leaves no
// file that could be taken for a whole one, and never the one it was to replace damaged.
class TestCompressedCopy : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void givesBackItsBytesOrNothing_data();
    void givesBackItsBytesOrNothing();
    void stoppedWriteKeepsThePreviousCopy();

private:
    QTemporaryDir m_dir;
    QString m_plain;
    QByteArray m_bytes;
};

namespace
{

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

void TestCompressedCopy::initTestCase()
{
    // Over three of the writer's 1 MB chunks, half pages that compress well and half that do not.
    QRandomGenerator random(7);
    for (int page = 0; page < 800; ++page) {
        QByteArray bytes(4096, char(page % 251));
        if (page % 2)
            random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        m_bytes += bytes;
    }
    m_plain = m_dir.filePath(QStringLiteral("db1.mdb"));
    QVERIFY(write(m_plain, m_bytes));
}

void TestCompressedCopy::givesBackItsBytesOrNothing_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("expands");
    QTest::newRow("whole") << "" << true;
    QTest::newRow("a byte flipped among the pages") << "flip" << false;
    QTest::newRow("cut short in the last frame") << "cut" << false;
    QTest::newRow("only its note left") << "note only" << false;
    QTest::newRow("stopped while expanding") << "stop" << false;
}

void TestCompressedCopy::givesBackItsBytesOrNothing()
{
    QFETCH(QString, damage);
    QFETCH(bool, expands);
    const QString compressed = m_dir.filePath(QStringLiteral("copy.mdb.zst"));
    const QString expanded = m_dir.filePath(QStringLiteral("expanded.mdb"));
    QString why;
    QVERIFY2(CompressedCopy::compress(m_plain, compressed, "jobs=800\n", &why), qPrintable(why));
    QVERIFY(CompressedCopy::isCompressed(compressed));
    QVERIFY(!QFile::exists(compressed + QStringLiteral(".partial")));
    QVERIFY(QFileInfo(compressed).size() < m_bytes.size() * 2 / 3);

    QByteArray stored = contents(compressed);
    if (damage == QLatin1String("flip"))
        stored[stored.size() / 2] = char(stored.at(stored.size() / 2) ^ 0x10);
    else if (damage == QLatin1String("cut"))
        stored.chop(100);
    else if (damage == QLatin1String("note only"))
        stored.truncate(stored.indexOf("jobs=800\n") + 9);
    QVERIFY(write(compressed, stored));
    // The note is read without expanding, whatever became of the pages after it.
    QCOMPARE(CompressedCopy::note(compressed), QByteArray("jobs=800\n"));

    QVERIFY(write(expanded, "an earlier expansion"));
    int calls = 0;
    const bool ok = CompressedCopy::expand(compressed, expanded, &why, {},
                                           [&] { return damage == QLatin1String("stop") && ++calls > 1; });
    QCOMPARE(ok, expands);
    if (!expands) {
        QVERIFY(!why.isEmpty() || damage == QLatin1String("stop"));
        QVERIFY(!QFile::exists(expanded));
        return;
    }
    QVERIFY(contents(expanded) == m_bytes);

    // zstd itself passes over the note and gives back the same bytes.
    const QString zstd = QStandardPaths::findExecutable(QStringLiteral("zstd"));
    if (zstd.isEmpty())
        return;
    QProcess tool;
    tool.start(zstd, {QStringLiteral("-dcq"), compressed});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitCode(), 0);
    QVERIFY(tool.readAllStandardOutput() == m_bytes);
}

// A copy stopped while being written, or made from a file gone missing, leaves no half-written
// copy and the previous copy under that name as it was.
void TestCompressedCopy::stoppedWriteKeepsThePreviousCopy()
{
    const QString compressed = m_dir.filePath(QStringLiteral("kept.mdb.zst"));
    QVERIFY(CompressedCopy::compress(m_plain, compressed, "first\n"));
    const QByteArray previous = contents(compressed);

    int calls = 0;
    QVERIFY(!CompressedCopy::compress(m_plain, compressed, "second\n", nullptr, {}, [&] { return ++calls > 1; }));
    QVERIFY(!CompressedCopy::compress(m_dir.filePath(QStringLiteral("missing.mdb")), compressed, "third\n"));
    QVERIFY(!CompressedCopy::compress(m_plain, compressed, QByteArray(70 * 1024, 'n')));
    QVERIFY(contents(compressed) == previous);
    QCOMPARE(CompressedCopy::note(compressed), QByteArray("first\n"));
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("*.partial")}, QDir::Files), QStringList());
}

QTEST_GUILESS_MAIN(TestCompressedCopy)
#include "tst_compressedcopy.moc"
