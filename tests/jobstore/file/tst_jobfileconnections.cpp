// SPDX-License-Identifier: GPL-3.0-or-later
// No connection, on any thread, stays on a job file while it is replaced.
#include "jobstore/file/JobDatabase.h"
#include "jobstore/file/JobFileConnections.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

namespace
{

const QString options = QStringLiteral("QSQLITE_OPEN_URI");

// A connection of another thread's, held until released.
class OtherThread
{
public:
    explicit OtherThread(const QString &path)
    {
        m_thread = std::thread([this, path] {
            {
                QSqlDatabase db = JobFileConnections::open(path, QStringLiteral("other"), "rw", options);
                m_opened = db.isOpen();
            }
            while (!m_release)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            JobFileConnections::close(QStringLiteral("other"));
            // Refused or not, a second try says what it got.
            QString error;
            {
                QSqlDatabase db = JobFileConnections::open(path, QStringLiteral("other"), "rw", options, &error);
                m_reopened = db.isOpen();
            }
            JobFileConnections::close(QStringLiteral("other"));
            m_error = error;
            m_done = true;
        });
        while (!m_opened && JobFileConnections::openCount(path) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~OtherThread()
    {
        m_release = true;
        m_thread.join();
    }
    void release() { m_release = true; }
    bool done() const { return m_done; }
    bool reopened() const { return m_reopened; }
    QString error() const { return m_done ? m_error : QString(); }

private:
    std::thread m_thread;
    std::atomic<bool> m_opened = false;
    std::atomic<bool> m_release = false;
    std::atomic<bool> m_reopened = false;
    std::atomic<bool> m_done = false;
    QString m_error;
};

} // namespace

class TestJobFileConnections : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void anotherThreadsConnectionIsWaitedFor();
    void noOtherThreadOpensWhileHeld();
    void anUnnamedFileIsNeverMade();

private:
    QTemporaryDir m_dir;
    QString m_path;
};

void TestJobFileConnections::init()
{
    m_path = m_dir.filePath(QStringLiteral("db1.mdb"));
    QFile::remove(m_path);
    QCOMPARE(JobDatabase::ensure(m_path).state, JobDatabase::State::Created);
    QCOMPARE(JobFileConnections::openCount(m_path), 0);
}

void TestJobFileConnections::anotherThreadsConnectionIsWaitedFor()
{
    OtherThread other(m_path);
    QCOMPARE(JobFileConnections::openCount(m_path), 1);
    {
        // Held past the wait: the step must not touch the file.
        JobFileConnections::Exclusive hold({m_path}, 200);
        QVERIFY(!hold.ok());
        QVERIFY(hold.error().contains(QLatin1String("another thread")));
    }
    std::thread later([&other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        other.release();
    });
    JobFileConnections::Exclusive hold({m_path}, 10000);
    later.join();
    QVERIFY(hold.ok());
    QCOMPARE(JobFileConnections::openCount(m_path), 0);
}

void TestJobFileConnections::noOtherThreadOpensWhileHeld()
{
    OtherThread other(m_path);
    std::thread later([&other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        other.release();
    });
    {
        JobFileConnections::Exclusive hold({m_path}, 10000);
        QVERIFY(hold.ok());
        // The other thread's second try comes while the file is held.
        QTRY_VERIFY(other.done());
        QVERIFY(!other.reopened());
        QVERIFY(other.error().contains(QLatin1String("being replaced")));
        // The holding thread's own work may open it.
        QSqlDatabase own = JobFileConnections::open(m_path, QStringLiteral("own"), "rw", options);
        QVERIFY(own.isOpen());
    }
    later.join();
    JobFileConnections::close(QStringLiteral("own"));
    QCOMPARE(JobFileConnections::openCount(m_path), 0);
}

void TestJobFileConnections::anUnnamedFileIsNeverMade()
{
    // SQLite would make a file named "?mode=rw" in the current folder.
    QTemporaryDir current;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(current.path()));
    for (const char *mode : {"rw", "rwc", "ro"}) {
        QString error;
        QVERIFY(!JobFileConnections::open(QString(), QStringLiteral("unnamed"), mode, options, &error).isOpen());
        QVERIFY(!error.isEmpty());
    }
    QDir::setCurrent(before);
    QCOMPARE(QDir(current.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_GUILESS_MAIN(TestJobFileConnections)
#include "tst_jobfileconnections.moc"
