#include "catalogue/Unit2.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

using namespace Qt::StringLiterals;

TForm2::TForm2(QWidget *parent) : QDialog(parent)
{
    setObjectName(u"Form2"_s);
    setWindowTitle(u"Geben Sie einen Namen für diese CD ein"_s);
    QFont dialogFont = font();
    dialogFont.setPixelSize(11);
    setFont(dialogFont);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(u"Edit1"_s);

    Label1 = new QLabel(u"Geben Sie einen Namen für die eingelesene CD ein:"_s, this);
    Label1->setObjectName(u"Label1"_s);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setBuddy(Edit1);

    OKBtn = new QPushButton(u"OK"_s, this);
    OKBtn->setObjectName(u"OKBtn"_s);
    CancelBtn = new QPushButton(u"Abbrechen"_s, this);
    CancelBtn->setObjectName(u"CancelBtn"_s);

    // As wide as the prompt needs, and as a title bar in the desktop's bold font needs for the
    // whole title beside its buttons, but never narrower than the dialog its users know.
    QFont titleFont = QGuiApplication::font();
    titleFont.setBold(true);
    const int titleBarWidth = QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + 120;
    const int width = std::max({340, Label1->sizeHint().width() + 32, titleBarWidth});
    setFixedSize(width, 118);
    Label1->setGeometry(16, 12, width - 32, 20);
    Edit1->setGeometry(16, 38, width - 32, 22);
    OKBtn->setGeometry(width - 180, 78, 78, 26);
    CancelBtn->setGeometry(width - 94, 78, 78, 26);

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
