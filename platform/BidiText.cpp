// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/BidiText.h"

namespace
{

constexpr char16_t Lri = 0x2066;
constexpr char16_t Fsi = 0x2068;
constexpr char16_t Pdi = 0x2069;
constexpr char16_t WordJoiner = 0x2060;
constexpr char16_t NoBreakSpace = 0x00A0;

bool opensIsolate(QChar ch)
{
    return ch.unicode() >= 0x2066 && ch.unicode() <= Fsi;
}

bool leftToRight(QChar ch)
{
    const QChar::Direction direction = ch.direction();
    return direction == QChar::DirL || direction == QChar::DirEN || direction == QChar::DirAN;
}

// What may stand between two parts of one number or Latin phrase.
bool joiner(QChar ch)
{
    switch (ch.unicode()) {
    case u' ':
    case u'-':
    case u'+':
    case u'/':
    case u'.':
    case u',':
    case u':':
    case u'_':
    case u'#':
    case u'@':
        return true;
    default:
        return false;
    }
}

bool sign(QChar ch)
{
    return ch == u'+' || ch == u'-';
}

bool slash(QChar ch)
{
    return ch == u'/' || ch == u'\\';
}

} // namespace

QString isolateLeftToRightRuns(const QString &text)
{
    if (!hasRightToLeftLetter(text))
        return text;
    QString out;
    out.reserve(text.size() + 8);
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        // A run starts at a digit or Latin letter, at a sign right before a digit ("+98", "-2") or
        // at the slash that opens a path.
        qsizetype start = -1;
        if (leftToRight(text[i]))
            start = i;
        else if (i + 1 < n && (i == 0 || !leftToRight(text[i - 1])) &&
                 ((sign(text[i]) && text[i + 1].isDigit()) || (slash(text[i]) && leftToRight(text[i + 1]))))
            start = i;
        if (start < 0) {
            out += text[i++];
            continue;
        }
        qsizetype end = start + 1; // one past the last character of the run
        qsizetype j = end;
        while (j < n) {
            if (leftToRight(text[j])) {
                end = ++j;
            } else if (joiner(text[j])) {
                ++j;
            } else {
                break;
            }
        }
        out += QChar(Lri);
        out += QStringView(text).mid(start, end - start);
        out += QChar(Pdi);
        i = end;
    }
    return out;
}

QString withPathsUnbroken(const QString &text)
{
    QString out;
    out.reserve(text.size() + 16);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        if (!opensIsolate(text[i])) {
            out += text[i++];
            continue;
        }
        // The whole isolate, with the ones nested in it, up to its own closing mark.
        qsizetype end = i + 1;
        for (int depth = 1; end < n && depth > 0; ++end) {
            if (opensIsolate(text[end]))
                ++depth;
            else if (text[end] == QChar(Pdi))
                --depth;
        }
        const QStringView isolate = QStringView(text).mid(i, end - i);
        i = end;
        if (!isolate.contains(u'/') && !isolate.contains(u'\\')) {
            out += isolate;
            continue;
        }
        for (qsizetype j = 0; j < isolate.size(); ++j) {
            const QChar ch = isolate[j];
            if (ch == u' ') {
                out += QChar(NoBreakSpace);
                continue;
            }
            out += ch;
            if (j + 1 < isolate.size() && !ch.isLetterOrNumber() && !opensIsolate(ch) && ch != QChar(Pdi))
                out += QChar(WordJoiner);
        }
    }
    return out;
}

QString inOwnDirection(const QString &text)
{
    if (text.isEmpty())
        return text;
    return QChar(Fsi) + isolateLeftToRightRuns(text) + QChar(Pdi);
}

QString withoutIsolates(QString text)
{
    text.removeIf([](QChar ch) { return ch.unicode() >= 0x2066 && ch.unicode() <= Pdi; });
    return text;
}
