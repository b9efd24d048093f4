#pragma once

#include "jobstore/Recordset.h"
#include "jobstore/SqlText.h"

#include <QObject>

// A data control: a connection to the job database named by a connection text, a record source,
// and the record set it opens. Each window holds its own.
class Adodc : public QObject
{
    Q_OBJECT

public:
    explicit Adodc(QObject *parent = nullptr);
    ~Adodc() override;

    void setConnectionString(const QString &connectionText);
    QString ConnectionString() const { return m_connectionText; }
    void setRecordSource(const SqlText &source);
    SqlText RecordSource() const { return m_source; }

    // Runs the record source again; the first row of the new result is current.
    bool Refresh();
    // The open record set, opened on first use when no Refresh came before.
    Recordset *recordset();

    QString lastError() const { return m_lastError; }

    // Closes every data control's connection, for replacing the database file under them.
    static void closeAllConnections();

signals:
    void refreshed(bool ok);

private:
    bool connect();
    void disconnect();

    QString m_connectionText;
    QString m_connectionName;
    SqlText m_source;
    Recordset *m_recordset;
    bool m_everOpened = false;
    QString m_lastError;
};
