#include "app/QtDialogService.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

using namespace Qt::StringLiterals;

namespace {

void showBox(QWidget *parent, QMessageBox::Icon icon, const QString &caption, const QString &text)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(u"OK"_s);
    box.exec();
}

} // namespace

void QtDialogService::warning(const QString &message)
{
    showBox(m_parent, QMessageBox::Warning, u"Warnung"_s, message);
}

void QtDialogService::errorReport(const QString &message)
{
    showBox(m_parent, QMessageBox::Critical, u"Tralbo 1.0"_s, message);
}

void QtDialogService::plainMessage(const QString &message)
{
    showBox(m_parent, QMessageBox::NoIcon, u"Tralbo 1.0"_s, message);
}

std::optional<QString> QtDialogService::askDiscName(const QString &proposal)
{
    if (!m_namingDialog)
        return std::nullopt;
    m_namingDialog->edit()->setText(proposal);
    if (m_namingDialog->exec() != QDialog::Accepted)
        return std::nullopt;
    return m_namingDialog->edit()->text();
}

bool QtDialogService::confirmDelete()
{
    QMessageBox box(QMessageBox::Question, u"Bestätigen"_s, u"Datensatz löschen?"_s,
                    QMessageBox::Ok | QMessageBox::Cancel, m_parent);
    box.button(QMessageBox::Ok)->setText(u"OK"_s);
    box.button(QMessageBox::Cancel)->setText(u"Abbrechen"_s);
    return box.exec() == QMessageBox::Ok;
}

DialogService::ReplaceAnswer QtDialogService::askReplaceDisc(const QString &disc)
{
    QMessageBox box(QMessageBox::Question, u"Bestätigen"_s,
                    u"Die CD »%1« ist schon im Katalog. Ersetzen?"_s.arg(disc),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_parent);
    box.button(QMessageBox::Yes)->setText(u"Ja"_s);
    box.button(QMessageBox::No)->setText(u"Nein"_s);
    box.button(QMessageBox::Cancel)->setText(u"Abbrechen"_s);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return ReplaceAnswer::Replace;
    case QMessageBox::No:
        return ReplaceAnswer::Add;
    default:
        return ReplaceAnswer::Cancel;
    }
}

std::optional<QString> QtDialogService::askImageFile()
{
    const QString file = QFileDialog::getOpenFileName(
        m_parent, u"Abbilddatei öffnen"_s, QString(),
        u"Abbilddateien (*.iso *.img *.bin *.udf);;Alle Dateien (*)"_s);
    return file.isEmpty() ? std::nullopt : std::optional<QString>(file);
}
