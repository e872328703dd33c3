#include "catalogue/Unit2.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

TForm2::TForm2(QWidget *parent) : QDialog(parent)
{
    setObjectName(u"Form2"_s);
    setWindowTitle(u"Geben Sie einen Namen für diese CD ein"_s);
    setFixedSize(340, 118);
    QFont dialogFont = font();
    dialogFont.setPixelSize(11);
    setFont(dialogFont);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(u"Edit1"_s);
    Edit1->setGeometry(16, 38, 308, 22);

    Label1 = new QLabel(u"Geben Sie einen Namen für die eingelesene CD ein:"_s, this);
    Label1->setObjectName(u"Label1"_s);
    Label1->setGeometry(16, 12, 308, 20);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setBuddy(Edit1);

    OKBtn = new QPushButton(u"OK"_s, this);
    OKBtn->setObjectName(u"OKBtn"_s);
    OKBtn->setGeometry(160, 78, 78, 26);
    CancelBtn = new QPushButton(u"Abbrechen"_s, this);
    CancelBtn->setObjectName(u"CancelBtn"_s);
    CancelBtn->setGeometry(246, 78, 78, 26);

    // Neither button is a default or cancel button: Enter in the name field does not accept.
    for (QPushButton *button : {OKBtn, CancelBtn}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, Edit1);
    OKBtn->setFocus();
}

void TForm2::keyPressEvent(QKeyEvent *event)
{
    // Enter presses the focused button; in the name field Enter and Escape do nothing.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto *button = qobject_cast<QPushButton *>(focusWidget()))
            button->click();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
