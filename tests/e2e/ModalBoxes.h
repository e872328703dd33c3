#pragma once

#include "catalogue/Unit2.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

// Answers the modal windows the program opens while a test drives it: the naming dialog is
// confirmed with its proposal when the test expects it; every message box is noted and closed, so
// that an unexpected one fails the test instead of blocking it.
class ModalBoxes final : public QObject
{
public:
    ModalBoxes()
    {
        connect(&m_poll, &QTimer::timeout, this, &ModalBoxes::answer);
        m_poll.start(10);
    }

    void acceptNamingDialog() { m_acceptNaming = true; }
    QStringList proposals() const { return m_proposals; }
    QStringList seen() const { return m_seen; }

private:
    void answer()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *naming = qobject_cast<TForm2 *>(modal)) {
            if (!m_acceptNaming) {
                m_seen.append(u"unexpected naming dialog"_qs);
                naming->reject();
                return;
            }
            m_acceptNaming = false;
            m_proposals.append(naming->edit()->text());
            naming->findChild<QPushButton *>(u"OKBtn"_qs)->click();
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            m_seen.append(box->windowTitle() + u": "_qs + box->text());
            box->reject();
        }
    }

    QTimer m_poll;
    bool m_acceptNaming = false;
    QStringList m_proposals;
    QStringList m_seen;
};
