#include "catalogue/RecordNavigator.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

struct ButtonLook
{
    const char16_t *themeIcon;
    QStyle::StandardPixmap fallback;
    const char16_t *text;
    const char16_t *hint;
};

constexpr ButtonLook Looks[RecordNavigator::ButtonCount] = {
    {u"go-first", QStyle::SP_MediaSkipBackward, u"|<", u"Erster Datensatz"},
    {u"go-previous", QStyle::SP_MediaSeekBackward, u"<", u"Voriger Datensatz"},
    {u"go-next", QStyle::SP_MediaSeekForward, u">", u"Nächster Datensatz"},
    {u"go-last", QStyle::SP_MediaSkipForward, u">|", u"Letzter Datensatz"},
    {u"list-add", QStyle::SP_FileDialogNewFolder, u"+", u"Datensatz einfügen"},
    {u"list-remove", QStyle::SP_TrashIcon, u"-", u"Datensatz löschen"},
    {u"document-edit", QStyle::SP_FileDialogDetailedView, u"^", u"Datensatz bearbeiten"},
    {u"dialog-ok-apply", QStyle::SP_DialogApplyButton, u"\u2713", u"Änderungen speichern"},
    {u"dialog-cancel", QStyle::SP_DialogCancelButton, u"x", u"Änderungen verwerfen"},
    {u"view-refresh", QStyle::SP_BrowserReload, u"\u21bb", u"Daten aktualisieren"},
};

} // namespace

RecordNavigator::RecordNavigator(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int index = 0; index < ButtonCount; ++index) {
        const ButtonLook &look = Looks[index];
        auto *button = new QToolButton(this);
        button->setIcon(QIcon::fromTheme(QString::fromUtf16(look.themeIcon),
                                         style()->standardIcon(look.fallback)));
        button->setText(QString::fromUtf16(look.text));
        button->setToolTip(QString::fromUtf16(look.hint));
        button->setAccessibleName(QString::fromUtf16(look.hint));
        button->setAutoRaise(true);
        layout->addWidget(button);
        m_buttons[index] = button;
        connect(button, &QToolButton::clicked, this,
                [this, index] { Q_EMIT clicked(Button(index)); });
    }
    setState(false, false, false);
}

void RecordNavigator::setState(bool open, bool live, bool editing)
{
    for (const Button moving : {First, Prior, Next, Last})
        m_buttons[moving]->setEnabled(open);
    m_buttons[Refresh]->setEnabled(open);
    m_buttons[Insert]->setEnabled(open && live);
    m_buttons[Delete]->setEnabled(open && live);
    m_buttons[Edit]->setEnabled(open && live && !editing);
    m_buttons[Post]->setEnabled(open && live && editing);
    m_buttons[Cancel]->setEnabled(open && live && editing);
}
