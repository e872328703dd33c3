#pragma once

#include <QWidget>

// Suspends redrawing of a widget for as long as it lives; nests, restoring the state it found.
class UpdatesSuspended final
{
public:
    explicit UpdatesSuspended(QWidget &widget)
        : m_widget(widget), m_wasEnabled(widget.updatesEnabled())
    {
        m_widget.setUpdatesEnabled(false);
    }
    ~UpdatesSuspended() { m_widget.setUpdatesEnabled(m_wasEnabled); }
    Q_DISABLE_COPY_MOVE(UpdatesSuspended)

private:
    QWidget &m_widget;
    bool m_wasEnabled;
};
