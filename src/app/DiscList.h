#pragma once

#include <QListWidget>

// A list of disc names that reports each choice of the user: a change of the selection by mouse
// or keys, and also a click on the disc that is already selected, which asks for the same thing
// again (after a search, or after the disc's data changed). A selection set by the program
// reports nothing while the list's signals are blocked.
class DiscList final : public QListWidget
{
    Q_OBJECT

public:
    explicit DiscList(QWidget *parent = nullptr);

Q_SIGNALS:
    void chosen();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    bool m_selectionChanged = false; // since the last mouse press
};
