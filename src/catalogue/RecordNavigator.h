#pragma once

#include <QWidget>

class QToolButton;

// The record navigator of the browse page: first, prior, next, last, insert, delete, edit, post,
// cancel and refresh. Buttons that change records are available only on an editable result.
class RecordNavigator final : public QWidget
{
    Q_OBJECT

public:
    enum Button
    {
        First,
        Prior,
        Next,
        Last,
        Insert,
        Delete,
        Edit,
        Post,
        Cancel,
        Refresh
    };
    static constexpr int ButtonCount = 10;

    explicit RecordNavigator(QWidget *parent = nullptr);

    QToolButton *button(Button which) const { return m_buttons[which]; }
    // open: a result is shown; live: it can be edited; editing: the current record has changes.
    void setState(bool open, bool live, bool editing);

Q_SIGNALS:
    void clicked(RecordNavigator::Button button);

private:
    QToolButton *m_buttons[ButtonCount] = {};
};
