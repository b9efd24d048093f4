// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/Queries.h"

#include <QMainWindow>
#include <memory>

class Adodc;
class QLineEdit;
class QSystemTrayIcon;
class QTimer;
class JobChanges;

namespace Sorvan
{
class Shamsi;
}

namespace Ui
{
class Form1;
}

// The main window: the job list with its search boxes, the record commands that reach every other
// window, the clock and due-today count, backup and restore, and the one way to end the program.
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    Adodc *adodc1() const { return m_adodc1; }
    Sorvan::Shamsi *shams() const { return m_shams; }

    // Record commands, reachable from buttons, menu items and keys.
    void registerJob();
    void openCurrentJob();
    // Enter in the receipt box, as a barcode scanner ends a number: opens the job with that number.
    void openTypedJob();
    void moveFirst();
    void movePrevious();
    void moveNext();
    void moveLast();
    void deleteCurrent();
    // Ctrl+Z outside a text box (there it undoes the typing): brings back the job this window deleted
    // last, until another window opens.
    void bringBackLastDeleted();
    void exitCommand();
    void backupCommand();
    void restoreCommand();
    void importCommand(); // jobs from an Access job file
    void hideCommand();
    void showCommand();

    // Requeries the list through the active search box, 20 ms from now.
    void startListRefresh();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void loadDatabase();
    void connectCommands();
    void SetGridColumns();
    void createImportItem();
    // When db1.mdb is an Access job file: offers to import it once the window shows; true then.
    bool offerAccessImport(const QString &path);

    void searchChanged(QLineEdit *box);
    void searchFocused(QLineEdit *box);
    void markActiveBox(QLineEdit *box);
    bool filterReceiptKey(QKeyEvent *event);
    void listRefresh();
    int position() const;
    bool onDeletedRow();
    // Shows one of the program's windows modally, owned by this one.
    template <class Window> void showModal();

    void createHousekeeping();
    // Names the newest copy holding jobs and offers to restore it at once; `reason` says why the
    // database in use cannot serve (empty: it was just made empty).
    void offerNewestCopy(const QString &reason);
    void afterRestore();
    void onTim();
    void onTimer4();
    void dueRefreshed(bool ok);
    void showDueCount();
    QString dueKey() const;
    Queries::SearchField fieldOf(const QLineEdit *box) const;

    std::unique_ptr<Ui::Form1> ui;
    Adodc *m_adodc1;
    QTimer *m_timer1;                  // one-shot list refresh after the job window or a restore
    Sorvan::Shamsi *m_shams = nullptr; // today's solar date, read by the clock, the count and receipts
    QDate m_shamsDay;                  // the calendar day m_shams was last refreshed on
    QTimer *m_tim;                     // clock
    QTimer *m_timer4;                  // due-today count
    Adodc *m_adodc2;                   // due-today query
    JobChanges *m_changes;             // runs the count only when the jobs or the day changed
    QString m_countedKey;              // the day the count on Command9 is for; empty until counted
    QString m_countingKey;             // the day of the count being read; empty when none is
    QSystemTrayIcon *m_trayIcon1 = nullptr;
    QLineEdit *m_activeBox = nullptr;
    QLineEdit *m_searchBox = nullptr; // the box whose search the list shows; a refresh runs it again
    QString m_searchText;
    QString m_savedBoxText;
    qint64 m_lastDeletion = 0;   // the history row of the delete Ctrl+Z undoes; 0 when none
    bool m_storeRefused = false; // the start refused the job file: the list never reads it
};
