// SPDX-License-Identifier: GPL-3.0-or-later
#include "receipts/RecordingSurface.h"

#include <QWidget>

bool RecordingSurface::accept()
{
    const int call = m_calls++;
    if (m_failFrom >= 0 && call >= m_failFrom) {
        m_lastError = m_failure;
        return false;
    }
    return true;
}

void RecordingSurface::failFromCall(int call, const QString &error)
{
    m_failFrom = call;
    m_failure = error;
}

bool RecordingSurface::printForm(QWidget *window)
{
    if (!accept())
        return false;
    Operation operation{Operation::Kind::Form};
    operation.windowName = window ? window->objectName() : QString();
    if (window)
        operation.face = WindowFace::describe(window);
    operations << operation;
    return true;
}

bool RecordingSurface::printRoll(const QList<FaceItem> &items, QSizeF pageTwips)
{
    if (!accept())
        return false;
    Operation operation{Operation::Kind::Roll};
    operation.face = items;
    operation.page = pageTwips;
    operations << operation;
    return true;
}

bool RecordingSurface::drawItems(const QList<FaceItem> &items)
{
    if (!accept())
        return false;
    Operation operation{Operation::Kind::Items};
    operation.face = items;
    operations << operation;
    return true;
}

bool RecordingSurface::setFontSize(double points)
{
    if (!accept())
        return false;
    m_fontSize = points;
    Operation operation{Operation::Kind::FontSize};
    operation.fontSize = points;
    operations << operation;
    return true;
}

bool RecordingSurface::setPosition(double x, double y)
{
    if (!accept())
        return false;
    m_position = QPointF(x, y);
    Operation operation{Operation::Kind::Position};
    operation.position = m_position;
    operations << operation;
    return true;
}

bool RecordingSurface::printText(const QString &text)
{
    if (!accept())
        return false;
    Operation operation{Operation::Kind::Text};
    operation.fontSize = m_fontSize;
    operation.position = m_position;
    operation.text = text;
    operations << operation;
    // The next line starts at the left edge, one line of the current size lower.
    m_position = QPointF(0, m_position.y() + m_fontSize * 20 * 1.2);
    return true;
}

bool RecordingSurface::drawLine(QPointF from, QPointF to)
{
    if (!accept())
        return false;
    Operation operation{Operation::Kind::Line};
    operation.from = from;
    operation.to = to;
    operations << operation;
    return true;
}

bool RecordingSurface::newPage()
{
    if (!accept())
        return false;
    operations << Operation{Operation::Kind::NewPage};
    return true;
}

bool RecordingSurface::endDoc()
{
    if (!accept())
        return false;
    operations << Operation{Operation::Kind::EndDoc};
    return true;
}

int RecordingSurface::count(Operation::Kind kind) const
{
    int n = 0;
    for (const Operation &operation : operations)
        n += operation.kind == kind ? 1 : 0;
    return n;
}

QList<RecordingSurface::Operation> RecordingSurface::forms() const
{
    QList<Operation> result;
    for (const Operation &operation : operations) {
        if (operation.kind == Operation::Kind::Form || operation.kind == Operation::Kind::Roll)
            result << operation;
    }
    return result;
}

const FaceItem *RecordingSurface::itemOf(const Operation &form, const QString &controlName)
{
    for (const FaceItem &item : form.face) {
        if (item.name == controlName)
            return &item;
    }
    return nullptr;
}

QString RecordingSurface::textOf(const Operation &form, const QString &controlName)
{
    for (const FaceItem &item : form.face) {
        if (item.name == controlName && item.kind != FaceItem::Kind::Outline)
            return item.text;
    }
    return QString();
}
