#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The disc naming dialog shown by the import: one line for the disc name, OK and Abbrechen.
class TForm2 final : public QDialog
{
    Q_OBJECT

public:
    explicit TForm2(QWidget *parent = nullptr);

    QLineEdit *edit() const { return Edit1; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLabel *Label1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;
};
