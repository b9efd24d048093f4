// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "receipts/PrintSurface.h"
#include "receipts/WindowFace.h"

#include <QList>

// A page that remembers every operation instead of printing, for tests to read back. Install it
// with Printer::setSurface(&recorder) and remove it with Printer::setSurface(nullptr).
class RecordingSurface : public PrintSurface
{
public:
    struct Operation {
        enum class Kind { FontSize, Position, Text, Line, NewPage, EndDoc, Form, Roll, Items };
        Kind kind;
        double fontSize = 0;  // FontSize; for Text, the size in force
        QPointF position;     // Position; for Text, where it starts
        QString text;         // Text
        QPointF from, to;     // Line
        QString windowName;   // Form: the window's objectName
        QList<FaceItem> face; // Form, Roll, Items: what was drawn, control by control
        QSizeF page;          // Roll: the page's size in twips
    };

    bool printForm(QWidget *window) override;
    bool printRoll(const QList<FaceItem> &items, QSizeF pageTwips) override;
    bool drawItems(const QList<FaceItem> &items) override;
    bool setFontSize(double points) override;
    bool setPosition(double x, double y) override;
    bool printText(const QString &text) override;
    bool drawLine(QPointF from, QPointF to) override;
    bool newPage() override;
    bool endDoc() override;
    QString lastError() const override { return m_lastError; }

    // From the given call on (0 is the first call), every operation fails without being recorded.
    void failFromCall(int call, const QString &error = QStringLiteral("The printer is not ready."));

    QList<Operation> operations;

    int callCount() const { return m_calls; }
    int count(Operation::Kind kind) const;
    // The receipts printed: window faces and roll receipts.
    QList<Operation> forms() const;
    // The text of a control on a printed face; a null string when the control was not drawn.
    static QString textOf(const Operation &form, const QString &controlName);
    static const FaceItem *itemOf(const Operation &form, const QString &controlName);

private:
    bool accept();

    int m_calls = 0;
    int m_failFrom = -1;
    QString m_failure;
    QString m_lastError;
    double m_fontSize = 9;
    QPointF m_position;
};
