#include "app/DiscList.h"

DiscList::DiscList(QWidget *parent) : QListWidget(parent)
{
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        m_selectionChanged = true;
        Q_EMIT chosen();
    });
    // A click whose press changed the selection has been reported already.
    connect(this, &QListWidget::itemClicked, this, [this] {
        if (!m_selectionChanged)
            Q_EMIT chosen();
    });
}

void DiscList::mousePressEvent(QMouseEvent *event)
{
    m_selectionChanged = false;
    QListWidget::mousePressEvent(event);
}
