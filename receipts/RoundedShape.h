// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

// A rectangle outline with curved corners, drawn around a group of the window's texts.
class RoundedShape : public QWidget
{
    Q_OBJECT

public:
    explicit RoundedShape(QWidget *parent = nullptr);

    // Corner radius in twips, the same on screen and on paper.
    static constexpr double CornerTwips = 150;

protected:
    void paintEvent(QPaintEvent *event) override;
};
