// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/file/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class TestDataFolder : public QObject
{
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
};

void TestDataFolder::choice_data()
{
    // Folders are named relative to a fresh temporary folder; "/usr/bin" stands for itself.
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("expected");
    QTest::newRow("writable program folder") << ""
                                             << "app" << false << "app";
    QTest::newRow("read-only program folder") << ""
                                              << "app" << true << "user";
    QTest::newRow("installed under /usr") << ""
                                          << "/usr/bin" << false << "user";
    QTest::newRow("missing program folder") << ""
                                            << "gone" << false << "user";
    QTest::newRow("given folder over a writable one") << "shop"
                                                      << "app" << false << "shop";
    QTest::newRow("given folder over /usr") << "shop"
                                            << "/usr/bin" << false << "shop";
}

void TestDataFolder::choice()
{
    QFETCH(QString, given);
    QFETCH(QString, program);
    QFETCH(bool, readOnly);
    QFETCH(QString, expected);
    if (readOnly && geteuid() == 0)
        QSKIP("root may write into any folder, so a read-only one cannot be made here");

    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const auto path = [&temp](const QString &name) {
        return name.startsWith(u'/') || name.isEmpty() ? name : temp.filePath(name);
    };
    QVERIFY(QDir(temp.path()).mkpath(QStringLiteral("app")));
    if (readOnly)
        QVERIFY(QFile::setPermissions(path(program), QFile::ReadOwner | QFile::ExeOwner));

    QCOMPARE(Program::chooseDataFolder(path(given), path(program), path(QStringLiteral("user"))), path(expected));
    QFile::setPermissions(path(QStringLiteral("app")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
