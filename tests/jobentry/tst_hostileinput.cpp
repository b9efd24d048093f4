// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile text in every box of the job window and in the report's filters: each ends in a correct
// result or a Persian message, and the database changes exactly as intended or not at all.
#include "Form3Driver.h"

#include "jobstore/Adodc.h"
#include "jobstore/JobTable.h"
#include "reports/Hform.h"
#include "support/PlainFold.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QLineEdit>
#include <QPushButton>

namespace
{

enum class Kind {
    Text,   // any text is stored as the box holds it
    Digits, // digits only, or a message
    Amount, // an amount, or a message
    Number, // the receipt number, or a message
    Date,   // a masked date box: takes digits only
};

struct Box {
    QString name;
    Kind kind;
    QString column;
};

const QList<Box> jobWindowBoxes = {
    {"Text1(0)", Kind::Number, "num"},     {"Text1(1)", Kind::Text, "name"},       {"Text1(2)", Kind::Text, "nameph"},
    {"Text1(3)", Kind::Digits, "serial"},  {"Text1(4)", Kind::Digits, "tel"},      {"Mask1", Kind::Date, "datein"},
    {"Mask2", Kind::Date, "dateout"},      {"Text1(7)", Kind::Text, "warranty"},   {"Text1(8)", Kind::Amount, "minp"},
    {"Text1(9)", Kind::Amount, "deposit"}, {"Text1(10)", Kind::Text, "accessory"}, {"Text1(11)", Kind::Text, "service"},
    {"Text1(12)", Kind::Text, "panel"},    {"Text1(13)", Kind::Amount, "panelp"},  {"Text1(14)", Kind::Amount, "endp"},
    {"Combo1", Kind::Text, "status"},      {"Text1(15)", Kind::Text, "desc"},
};

bool isPersianSentence(const QString &text)
{
    for (QChar ch : text) {
        if (ch.unicode() >= 0x0600 && ch.unicode() <= 0x06FF)
            return true;
    }
    return false;
}

QByteArray fingerprint(const TempJobFolder &folder)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QVariantList &row : folder.rows("select * from table1 order by rowid"))
        for (const QVariant &value : row)
            hash.addData(value.toString().toUtf8() + '\x1f');
    return hash.result();
}

// What a clerk can put in a box: a paste for a line box, one key at a time for a masked one.
void put(QWidget *target, const QString &text)
{
    target->setFocus();
    if (auto *mask = qobject_cast<MaskEdBox *>(target)) {
        mask->selectAll();
        Form3Driver::type(mask, text);
    } else if (auto *combo = qobject_cast<QComboBox *>(target)) {
        combo->lineEdit()->selectAll();
        combo->lineEdit()->insert(text);
    } else if (auto *line = qobject_cast<QLineEdit *>(target)) {
        line->selectAll();
        line->insert(text);
    }
}

QString held(QWidget *target)
{
    if (auto *combo = qobject_cast<QComboBox *>(target))
        return combo->currentText();
    return qobject_cast<QLineEdit *>(target)->text();
}

} // namespace

class TestHostileInput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyBox_data();
    void everyBox();
    void cleanupTestCase();

private:
    int m_inputsTried = 0;
};

void TestHostileInput::initTestCase()
{
    Form3Driver::setToday({1403, 5, 10});
}

void TestHostileInput::everyBox_data()
{
    QTest::addColumn<QString>("hostile");
    QTest::addColumn<bool>("inReport"); // some job of the report's fixture holds it
    QTest::newRow("quotes") << QStringLiteral("O'Brien \"x\" ' OR '1'='1") << true;
    QTest::newRow("percent") << QStringLiteral("50%") << true;
    QTest::newRow("underscore") << QStringLiteral("a_b") << true;
    QTest::newRow("backslash") << QStringLiteral("c:\\tmp\\") << true;
    QTest::newRow("NUL") << QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b")) << true;
    QTest::newRow("RLM and LRM marks") << QStringLiteral("\u200Fعلي\u200E 12") << true;
    QTest::newRow("emoji") << QStringLiteral("📱😀") << true;
    // SQLite takes a leading U+FEFF or U+FFFE for a byte-order mark.
    QTest::newRow("byte-order marks") << QStringLiteral("\uFEFF\uFFFEعلي") << false;
    QTest::newRow("10,000 characters") << QStringLiteral("ی%_\\'").repeated(2000) << true;
}

void TestHostileInput::everyBox()
{
    QFETCH(QString, hostile);
    QFETCH(bool, inReport);
    TempJobFolder folder;
    Seams seams;
    Form3Driver driver;

    // Report fixture: services and statuses that hold each hostile text and ones that nearly do.
    const QStringList stored = {QStringLiteral("O'Brien \"x\" ' OR '1'='1"),
                                QStringLiteral("50 tomans"),
                                QStringLiteral("a tomans 50%"),
                                QStringLiteral("axb"),
                                QStringLiteral("A_B"),
                                QStringLiteral("c:tmp"),
                                QStringLiteral("c:\\tmp\\x"),
                                QStringLiteral("ab"),
                                QStringLiteral("\u200Fعلی\u200E 12"),
                                QStringLiteral("علي 12"),
                                QStringLiteral("📱😀!"),
                                QStringLiteral("😀"),
                                QStringLiteral("ی%_\\'").repeated(2001)};
    for (int i = 0; i < stored.size(); ++i)
        folder.addJob({{"num", 100 + i}, {"datein", 30101}, {"service", stored.at(i)}, {"status", stored.at(i)}});

    // The job window: the hostile text in one box at a time, the rest filled as usual.
    int number = 1;
    for (const Box &box : jobWindowBoxes) {
        const QByteArray before = fingerprint(folder);
        driver.open(1, number);
        driver.fill(0, QString::number(number));
        driver.fill(1, QStringLiteral("رضا"));
        driver.fill(2, QStringLiteral("Nokia"));
        QWidget *target = driver.widget(box.name);
        QVERIFY2(target, qPrintable(box.name));
        const QString shownBefore = qobject_cast<QLineEdit *>(target) ? held(target) : QString();
        put(target, hostile);
        seams.messages.clear();
        driver.click("Command3");
        ++m_inputsTried;
        const QString where = QStringLiteral("%1 (%2)").arg(box.name, box.column);

        if (box.kind == Kind::Text) {
            // Stored exactly as the box holds it: the text, or its start when the box has a length limit.
            QVERIFY2(seams.messages.isEmpty(), qPrintable(where + seams.messageTexts().join(u' ')));
            QCOMPARE(driver.form->result(), int(QDialog::Accepted));
            QString expected = held(target);
            QVERIFY2(hostile.startsWith(expected.isEmpty() ? hostile : expected), qPrintable(where));
            if (auto *line = qobject_cast<QLineEdit *>(target); line && line->maxLength() >= hostile.size())
                QCOMPARE(expected, hostile);
            // Less the characters that are no text to SQLite: NUL, and byte-order marks at the start.
            expected.remove(QChar(0));
            expected.remove(QChar(0xFFFE));
            while (expected.startsWith(QChar(0xFEFF)))
                expected.remove(0, 1);
            QCOMPARE(
                folder.value(QStringLiteral("select \"%1\" from table1 where num = %2").arg(box.column).arg(number))
                    .toString(),
                expected);
            ++number;
        } else if (box.kind == Kind::Date) {
            // Only the digits of the text reach a date box; a real date is stored, anything else refused.
            const QString digits = qobject_cast<MaskEdBox *>(target)->digits();
            QString typedDigits;
            for (QChar ch : hostile)
                if (ch >= u'0' && ch <= u'9' && typedDigits.size() < 6)
                    typedDigits += ch;
            QVERIFY2(typedDigits.isEmpty() ? held(target) == shownBefore : digits.endsWith(typedDigits),
                     qPrintable(where + held(target)));
            if (seams.messages.isEmpty()) {
                QCOMPARE(driver.form->result(), int(QDialog::Accepted));
                QCOMPARE(
                    folder.value(QStringLiteral("select %1 from table1 where num = %2").arg(box.column).arg(number))
                        .toLongLong(),
                    digits.toLongLong());
                ++number;
            } else {
                QVERIFY2(isPersianSentence(seams.messages.first().text), qPrintable(where));
                QCOMPARE(fingerprint(folder), before);
            }
        } else {
            // Refused with a Persian message, the window still open, nothing written.
            QVERIFY2(seams.messages.size() == 1, qPrintable(where));
            QVERIFY2(isPersianSentence(seams.messages.first().text), qPrintable(where));
            QVERIFY2(driver.form->isVisible(), qPrintable(where));
            QCOMPARE(fingerprint(folder), before);
        }
        driver.form.reset();
    }

    // The report's filters: exactly the jobs whose texts contain the typed one, the database untouched.
    const QByteArray before = fingerprint(folder);
    for (const char *filter : {"Text1", "Combo1"}) {
        Hform report;
        report.show();
        put(report.findChild<QWidget *>(QLatin1String(filter)), hostile);
        put(report.findChild<QWidget *>(QStringLiteral("Mask1")), hostile);
        put(report.findChild<QWidget *>(QStringLiteral("Mask2")), hostile);
        seams.messages.clear();
        report.runReport();
        ++m_inputsTried;
        // Digits that make no whole date are refused; the filters are judged once the dates are whole.
        const qsizetype dateDigits = report.findChild<MaskEdBox *>(QStringLiteral("Mask1"))->digits().size();
        if (dateDigits > 0 && dateDigits < 6) {
            QCOMPARE(seams.messages.size(), 1);
            QVERIFY(isPersianSentence(seams.messages.first().text));
            QVERIFY(!report.hasReport());
            report.findChild<MaskEdBox *>(QStringLiteral("Mask1"))->clear();
            report.findChild<MaskEdBox *>(QStringLiteral("Mask2"))->clear();
            seams.messages.clear();
            report.runReport();
        }
        QVERIFY2(seams.messages.isEmpty(), qPrintable(seams.messageTexts().join(u' ')));
        QVERIFY(report.hasReport());
        QList<int> expected;
        const QString typed = held(report.findChild<QWidget *>(QLatin1String(filter)));
        for (int i = 0; i < stored.size(); ++i)
            if (plainFold(stored.at(i)).contains(plainFold(typed)))
                expected << 100 + i;
        QList<int> listed;
        Recordset *rows = report.adodc1()->recordset();
        for (int row = 0; row < rows->RecordCount(); ++row)
            if (rows->value(row, 0).toInt() >= 100)
                listed << rows->value(row, 0).toInt();
        QVERIFY2(expected.isEmpty() != inReport, filter);
        QCOMPARE(listed, expected);
    }
    {
        // The shop's percentage is a number: anything else is refused with a message.
        Hform report;
        report.show();
        put(report.findChild<QWidget *>(QStringLiteral("Text2")), hostile);
        seams.messages.clear();
        report.runReport();
        ++m_inputsTried;
        QCOMPARE(seams.messages.size(), 1);
        QVERIFY(isPersianSentence(seams.messages.first().text));
    }
    QCOMPARE(fingerprint(folder), before);
}

void TestHostileInput::cleanupTestCase()
{
    qInfo("hostile input: %d inputs tried through %d job window boxes and 3 report filters; every one stored exactly, "
          "refused with a Persian message, or listed exactly",
          m_inputsTried, int(jobWindowBoxes.size()));
}

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
