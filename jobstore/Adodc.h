// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/Recordset.h"
#include "jobstore/SqlText.h"
#include "jobstore/file/JobDatabase.h"

#include <QObject>

#include <functional>
#include <optional>

// A data control: a connection to the job database named by a connection text, a record source,
// and the record set it opens. Each window holds its own; on a server it borrows an open one.
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
    // Refresh with its query run on the reading thread: the window goes on meanwhile, and
    // refreshed() says when the rows are here. A newer one, or a Refresh, stands instead.
    void refreshInBackground();
    // The open record set, opened on first use when no Refresh came before.
    Recordset *recordset();

    QString lastError() const { return m_lastError; }
    StorageFault lastFault() const { return m_lastFault; }

    // How long a query waits for a file another program holds before it fails as busy.
    void setBusyWait(int milliseconds) { m_busyWait = milliseconds; }

    // After the server dropped this control's connection: carries on over a fresh one, the record
    // set's rows and pending changes kept. False when there is no server, or it does not answer.
    bool reconnect();

signals:
    void refreshed(bool ok);

private:
    bool connect();
    bool openRecordset(std::optional<Recordset::FirstPage> page);
    // What both refreshes do once their first page is read; `page` is read now when empty.
    bool finishRefresh(bool connected, std::optional<Recordset::FirstPage> page);
    void disconnect();

    QString m_connectionText;
    QString m_fileConnectionName;
    // The connection in use: the file's own, or one lent by the server pool; empty when none.
    QString m_connectionName;
    bool m_pooled = false;
    SqlText m_source;
    Recordset *m_recordset;
    bool m_everOpened = false;
    quint64 m_refreshes = 0; // a background refresh answered after another began is dropped
    QString m_lastError;
    StorageFault m_lastFault = StorageFault::None;
    int m_busyWait = JobDatabase::DefaultBusyWait;
};
