// SPDX-License-Identifier: GPL-3.0-or-later
#include "receipts/ReceiptSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_ReceiptSettings : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void legacyBytesAreWindows1256();
    void encodingIsRecognised_data();
    void encodingIsRecognised();
    void unencodableTextIsWrittenAsUtf8WithBom();
    void lineEnds_data();
    void lineEnds();
    void terms_data();
    void terms();
    void shortFileGivesFewerFields();
    void copies_data();
    void copies();
    void failedWriteKeepsTheOldFile();
};

void tst_ReceiptSettings::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("commas and quotes") << QStringLiteral("a, \"b\", 'c'");
    QTest::newRow("persian") << QStringLiteral("رسيد تعمير دستگاه");
    QTest::newRow("zwnj and guillemets") << QStringLiteral("مي\u200Cشود «ك»");
    QTest::newRow("persian yeh") << QStringLiteral("تعمیرگاه");
    QTest::newRow("persian digits") << QStringLiteral("تلفن: ۰۹۱۲");
    QTest::newRow("terms with line feed") << QStringLiteral("a - \nb");
    QTest::newRow("trailing blanks") << QStringLiteral("  x  ");
    // Their Windows-1256 bytes are valid UTF-8 too.
    QTest::newRow("legacy bytes that read as UTF-8") << QStringLiteral("تک");
    QTest::newRow("legacy signs that read as UTF-8") << QStringLiteral("×™");
}

void tst_ReceiptSettings::roundTrip()
{
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString fileName = dir.filePath("edit.txt");
    ReceiptSettings written;
    for (int field = 0; field < ReceiptSettings::FieldCount; ++field)
        written.set(ReceiptSettings::Field(field),
                    field == ReceiptSettings::Terms || field == 4 ? text : QString::number(field));
    QVERIFY(written.write(fileName));

    ReceiptSettings read;
    QVERIFY(read.read(fileName));
    QCOMPARE(read.count(), int(ReceiptSettings::FieldCount));
    QCOMPARE(read.value(ReceiptSettings::Terms), text);
    QCOMPARE(read.value(ReceiptSettings::Field(4)), text);
    QCOMPARE(read.value(ReceiptSettings::WebAddress), QStringLiteral("12"));
}

void tst_ReceiptSettings::legacyBytesAreWindows1256()
{
    // "رسيد" then "ک" and ZWNJ, as the earlier program wrote them.
    const QByteArray bytes("2\r\n\xD1\xD3\xED\xCF\r\n\x98\x9D\r\n");
    const QStringList lines = ReceiptSettings::decode(bytes);
    QCOMPARE(lines, (QStringList{"2", QStringLiteral("رسيد"), QStringLiteral("ک\u200C")}));
    QCOMPARE(ReceiptSettings::encode(lines), bytes);
}

void tst_ReceiptSettings::encodingIsRecognised_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shopName");
    const QString persian = QStringLiteral("تعميرگاه موبايل");
    QTest::newRow("utf-8 without a mark") << QByteArray("1\r\n") + persian.toUtf8() + "\r\n" << persian;
    QTest::newRow("utf-8 with a mark") << QByteArray("\xEF\xBB\xBF"
                                                     "1\r\n") +
                                              persian.toUtf8() + "\r\n"
                                       << persian;
    QTest::newRow("windows-1256") << QByteArray("1\r\n\xD1\xD3\xED\xCF\r\n") << QStringLiteral("رسيد");
    // Bytes that are not UTF-8 as a whole are Windows-1256 even where a part would pass.
    QTest::newRow("mixed") << QByteArray("1\r\n\xD8\xB1\xD1\r\n") << QStringLiteral("ط±ر");
    QTest::newRow("ascii") << QByteArray("1\r\nMy shop\r\n") << QStringLiteral("My shop");
}

void tst_ReceiptSettings::encodingIsRecognised()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shopName);
    const QStringList lines = ReceiptSettings::decode(bytes);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[1], shopName);
}

void tst_ReceiptSettings::unencodableTextIsWrittenAsUtf8WithBom()
{
    const QStringList lines{QStringLiteral("1"), QStringLiteral("ی")};
    const QByteArray bytes = ReceiptSettings::encode(lines);
    QCOMPARE(bytes, QByteArray("\xEF\xBB\xBF") + QStringLiteral("1\r\nی\r\n").toUtf8());
    QCOMPARE(ReceiptSettings::decode(bytes), lines);

    // Only the file's own mark is dropped: a first field that begins with U+FEFF keeps it.
    const QStringList marked{QStringLiteral("\uFEFF1"), QStringLiteral("ی")};
    QCOMPARE(ReceiptSettings::decode(ReceiptSettings::encode(marked)), marked);
}

void tst_ReceiptSettings::lineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("no final break") << QByteArray("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("lone cr ends a line") << QByteArray("a\rb\r\n") << QStringList{"a", "b"};
    QTest::newRow("lone lf stays in the field") << QByteArray("a - \nb\r\nc\r\n") << QStringList{"a - \nb", "c"};
    QTest::newRow("empty lines") << QByteArray("\r\n\r\nx\r\n") << QStringList{"", "", "x"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
}

void tst_ReceiptSettings::lineEnds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(ReceiptSettings::decode(bytes), lines);
}

void tst_ReceiptSettings::terms_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("line");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("box line break") << QStringLiteral("a\nb") << QStringLiteral("a - \nb");
    QTest::newRow("cr lf") << QStringLiteral("a\r\nb") << QStringLiteral("a - \nb");
    QTest::newRow("lone cr") << QStringLiteral("a\rb") << QStringLiteral("a - b");
    QTest::newRow("already written") << QStringLiteral("a - \nb - \n") << QStringLiteral("a - \nb - \n");
    QTest::newRow("ends with a break") << QStringLiteral("x \ny\n") << QStringLiteral("x  - \ny - \n");
}

void tst_ReceiptSettings::terms()
{
    QFETCH(QString, box);
    QFETCH(QString, line);
    QCOMPARE(ReceiptSettings::termsForFile(box), line);
    QCOMPARE(ReceiptSettings::termsForFile(line), line); // saving again changes nothing
}

void tst_ReceiptSettings::shortFileGivesFewerFields()
{
    QTemporaryDir dir;
    QFile file(dir.filePath("edit.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("3\r\nshop\r\ntitle\r\n");
    file.close();
    ReceiptSettings settings;
    QVERIFY(settings.read(file.fileName()));
    QCOMPARE(settings.count(), 3);
    QVERIFY(settings.has(ReceiptSettings::Title));
    QVERIFY(!settings.has(ReceiptSettings::Greeting));
    QCOMPARE(settings.copies(), 3.0);
    QVERIFY(!settings.read(dir.filePath("missing.txt")));
}

void tst_ReceiptSettings::copies_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<double>("copies");
    QTest::newRow("missing line") << QByteArray() << 0.0;
    QTest::newRow("empty line") << QByteArray("\r\nshop\r\n") << 0.0;
    QTest::newRow("two") << QByteArray("2\r\n") << 2.0;
    QTest::newRow("blanks before") << QByteArray("  3\r\n") << 3.0;
    QTest::newRow("text") << QByteArray("abc\r\n") << 0.0;
}

void tst_ReceiptSettings::copies()
{
    QFETCH(QByteArray, bytes);
    QFETCH(double, copies);
    QTemporaryDir dir;
    QFile file(dir.filePath("edit.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    ReceiptSettings settings;
    QVERIFY(settings.read(file.fileName()));
    QCOMPARE(settings.copies(), copies);
}

void tst_ReceiptSettings::failedWriteKeepsTheOldFile()
{
    QTemporaryDir dir;
    ReceiptSettings settings;
    settings.set(ReceiptSettings::Copies, QStringLiteral("1"));
    QString error;
    QVERIFY(!settings.write(dir.filePath("no/such/folder/edit.txt"), &error));
    QVERIFY(!error.isEmpty());
}

QTEST_MAIN(tst_ReceiptSettings)
#include "tst_receiptsettings.moc"
